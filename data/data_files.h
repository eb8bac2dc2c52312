// The data files of the data folder: each file's name, how it is loaded and saved, and the
// messages for a failure, in one table. Content on disk that the program did not write (a file
// that could not be read at start, one edited by another program) is copied to its name +
// ".bak" before the program next saves over it, so neither a passing lock nor an edit made
// elsewhere is lost. No windows: the caller shows the messages.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

enum TDataFile { kKeyFile, kNameFile, kPluginFile, kSettingFile };

struct TDataFileEntry {
  const char* fileName;
  const char* loadError;  // nullptr: a failed load is no reason for a message
  const char* saveError;  // nullptr: nor a failed save
  std::function<bool(const std::string& path)> load;
  std::function<bool(const std::string& path)> save;
  // Takes the file in again after it changed on disk (`bytes` its content); false keeps what
  // is in memory. Null: `load` again.
  std::function<bool(const std::string& path, const std::string& bytes)> reload = nullptr;
};

// Loads `bytes` into a store with LoadFromBytes and Count, unless bytes are there but none of
// them is an entry (a file replaced with something else): false then, and the store stays.
template <class Store>
bool ReloadHoldingEntries(Store& store, const std::string& bytes) {
  Store trial;
  trial.LoadFromBytes(bytes);
  if (trial.Count() == 0 && !bytes.empty()) return false;
  store.LoadFromBytes(bytes);
  return true;
}

// An entry for a store with LoadFromFile, SaveToFile and ReloadFromBytes (the assignments, key
// names, plug-ins).
template <class Store>
TDataFileEntry DataFileOf(const char* fileName, const char* loadError, const char* saveError,
                          Store& store) {
  return {fileName, loadError, saveError,
          [&store](const std::string& path) { return store.LoadFromFile(path); },
          [&store](const std::string& path) { return store.SaveToFile(path); },
          [&store](const std::string&, const std::string& bytes) { return store.ReloadFromBytes(bytes); }};
}

class TSetting;

// The entry of the settings file. The profile functions give defaults for a file they cannot
// read, and a malformed value is no reason for a message: only an unreadable file counts as a
// failed load (for the ".bak" copy), and it has no messages.
TDataFileEntry SettingDataFileOf(const char* fileName, TSetting& setting);

// What a look at a file on disk found.
enum class TDiskChange {
  kNone,      // the content is the one last loaded or saved (or the file is gone)
  kReloaded,  // another content, taken in
  kKept,      // another content that could not be read or held nothing: memory stays
  kNoted,     // another content, not taken in now (the settings window is open)
};

class TDataFiles {
 public:
  // `folder` ends with a path separator; `entries` are indexed by TDataFile.
  TDataFiles(std::string folder, std::vector<TDataFileEntry> entries);

  bool Load(TDataFile file);
  // False also when content not written here could not be kept as ".bak": it then stays.
  bool Save(TDataFile file);
  // Looks at the file after a change in the folder. With `take`, another content is loaded
  // (unless its entry refuses it); without, it is only noted. Either way that content is kept
  // as ".bak" before the next save, and the same content is not looked at again.
  TDiskChange Examine(TDataFile file, bool take);

  const char* LoadError(TDataFile file) const { return entries_[file].loadError; }
  const char* SaveError(TDataFile file) const { return entries_[file].saveError; }
  std::string PathOf(TDataFile file) const { return folder_ + entries_[file].fileName; }

 private:
  void NoteContent(TDataFile file);

  std::string folder_;
  std::vector<TDataFileEntry> entries_;
  // The file holds content the program did not write and has not saved over yet.
  std::vector<bool> foreign_;
  // The content last loaded, saved or examined; none when it could not be read.
  std::vector<std::optional<std::string>> known_;
};
