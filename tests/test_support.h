// Helpers shared by the unit tests: scratch folders, whole-file reads and writes, seeded random
// bytes, Shift-JIS sample texts, and ways to make files unreadable or folders unwritable.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// Shift-JIS bytes, spelled out so they do not depend on the compiler's character set.
inline constexpr char kSjisSo[] = "\x83\x5C";                   // ソ, trail byte 0x5C
inline constexpr char kSjisHyo[] = "\x95\x5C";                  // 表, trail byte 0x5C
inline constexpr char kSjisNotepad[] = "\x83\x81\x83\x82\x92\xA0";  // メモ帳
inline constexpr char kSjisMuhenkan[] = "\x96\xB3\x95\xCF\x8A\xB7";  // 無変換

// A fresh, empty folder for one test, ending in a path separator; removed at process exit.
std::string ScratchFolder();

std::string ReadBytes(const std::string& path);
void WriteBytes(const std::string& path, const std::string& bytes);

// `size` bytes from a fixed seed: the same on every run and every platform.
std::string SeededBytes(uint32_t seed, size_t size);

#ifdef _WIN32
// Keeps a file open without sharing, as another program might, until destroyed.
class ExclusiveOpen {
 public:
  explicit ExclusiveOpen(const std::string& path);
  ~ExclusiveOpen();
  ExclusiveOpen(const ExclusiveOpen&) = delete;
  ExclusiveOpen& operator=(const ExclusiveOpen&) = delete;
  bool IsOpen() const;

 private:
  void* handle_;
};
#else
// A small tmpfs mounted over a fresh scratch folder, unmounted when destroyed. Mounting needs
// privileges: check Mounted() and skip the test when it is false.
class TmpfsFolder {
 public:
  TmpfsFolder();
  ~TmpfsFolder();
  TmpfsFolder(const TmpfsFolder&) = delete;
  TmpfsFolder& operator=(const TmpfsFolder&) = delete;
  bool Mounted() const { return mounted_; }
  // Ends in a path separator.
  const std::string& Path() const { return path_; }
  bool MakeReadOnly();
  // Takes every free byte with a filler file, so the next write runs out of space.
  void Fill();

 private:
  std::string path_;
  bool mounted_ = false;
};

// A path that exists as a regular file but whose reading fails.
inline constexpr char kUnreadableFile[] = "/proc/self/mem";
#endif
