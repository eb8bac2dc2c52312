// Key assignments (TKeyInfo) and their ordered list (TKeyManager) with the file "keydata.dat".
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "data/chord.h"
#include "data/program_scope.h"

class TKeyInfo {
 public:
  const TChord& Keys() const { return keys_; }
  // The chord text of Keys, kept ready so matching never rebuilds it.
  const std::string& KeysText() const { return keysText_; }
  void SetKeys(TChord keys);

  const std::string& Path() const { return path_; }
  const std::string& WorkPath() const { return workPath_; }
  const std::string& ProgramName() const { return programName_; }
  const std::string& KeyText() const { return keyText_; }
  const std::string& Arguments() const { return arguments_; }
  bool Repeat() const { return repeat_; }
  // The programs the assignment is for; all of them unless set.
  const TProgramScope& Scope() const { return scope_; }
  // Words that change how the assignment runs (kOptionRaise, ...), in the order stored; words
  // this version does not know are kept as read.
  const TTextList& Options() const { return options_; }
  bool HasOption(std::string_view word) const;
  // Keys tapped one after another (the option "sequence", two keys or more) rather than held.
  bool IsSequence() const;

  void SetPath(std::string text) { path_ = std::move(text); }
  void SetWorkPath(std::string text) { workPath_ = std::move(text); }
  void SetProgramName(std::string text) { programName_ = std::move(text); }
  void SetKeyText(std::string text) { keyText_ = std::move(text); }
  void SetArguments(std::string text) { arguments_ = std::move(text); }
  void SetRepeat(bool repeat) { repeat_ = repeat; }
  void SetScope(TProgramScope scope) { scope_ = std::move(scope); }
  void SetOptions(TTextList options) { options_ = std::move(options); }
  // Adds the word at the end or takes it out; the other words keep their places.
  void SetOption(std::string_view word, bool on);

 private:
  TChord keys_;
  std::string keysText_;
  std::string path_, workPath_, programName_, keyText_, arguments_;
  bool repeat_ = false;
  TProgramScope scope_;
  TTextList options_;
};

// Option words of an assignment.
inline constexpr char kOptionRaise[] = "raise";        // bring a running copy forward instead
inline constexpr char kOptionMinimize[] = "minimize";  // and minimise it when already in front
inline constexpr char kOptionSequence[] = "sequence";  // keys tapped one after another

inline bool TKeyInfo::IsSequence() const { return keys_.size() >= 2 && HasOption(kOptionSequence); }

class TKeyManager {
 public:
  int Count() const { return static_cast<int>(items_.size()); }
  const TKeyInfo* Get(int index) const;
  // The assignment at `index` for changing; counts as a change of the list.
  TKeyInfo* Edit(int index);
  TKeyInfo* Add(const TChord& keys, const std::string& path, const std::string& arguments,
                const std::string& workPath, const std::string& programName,
                const std::string& keyText, bool repeat);
  // Appends a copy of `info` (an assignment of another list).
  TKeyInfo* AddCopy(const TKeyInfo& info);
  void Remove(const TKeyInfo* info);
  void Clear();

  // Goes up with every change of the list or of an entry (Edit included): whoever keeps a copy
  // of the list knows when to take a new one.
  uint64_t Revision() const { return revision_; }

  // A missing file is true and leaves the list; an unreadable one is false and leaves it.
  bool LoadFromFile(const std::string& fileName);
  bool SaveToFile(const std::string& fileName) const;

  // The file's bytes to and from the list; the loaders are built on these.
  void LoadFromBytes(const std::string& bytes);
  // The file again after another program changed it: false, and the list stays, when bytes are
  // there but no line of them is an assignment (a file replaced with something else).
  bool ReloadFromBytes(const std::string& bytes);
  std::string SaveToBytes() const;

 private:
  // Appends the assignment of one decoded line, taking over its texts.
  void AddFromItems(std::vector<std::string>& items);

  std::vector<std::unique_ptr<TKeyInfo>> items_;
  uint64_t revision_ = 0;
};
