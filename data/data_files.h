// The data files of the data folder: each file's name, how it is loaded and saved, and the
// messages for a failure, in one table. A file that existed at start but could not be read is
// copied to its name + ".bak" before the first save replaces it, so a passing lock or fault
// never costs the user its content. No windows: the caller shows the messages.
#pragma once

#include <functional>
#include <string>
#include <vector>

enum TDataFile { kKeyFile, kNameFile, kPluginFile, kSettingFile };

struct TDataFileEntry {
  const char* fileName;
  const char* loadError;  // nullptr: a failed load is no reason for a message
  const char* saveError;  // nullptr: nor a failed save
  std::function<bool(const std::string& path)> load;
  std::function<bool(const std::string& path)> save;
};

// An entry for a store with LoadFromFile and SaveToFile (the assignments, key names, plug-ins).
template <class Store>
TDataFileEntry DataFileOf(const char* fileName, const char* loadError, const char* saveError,
                          Store& store) {
  return {fileName, loadError, saveError,
          [&store](const std::string& path) { return store.LoadFromFile(path); },
          [&store](const std::string& path) { return store.SaveToFile(path); }};
}

class TSetting;

// The entry of the settings file. The profile functions give defaults for a file they cannot
// read, and a malformed value is no reason for a message: only an unreadable file counts as a
// failed load (for the ".bak" copy), and it has no messages.
TDataFileEntry SettingDataFileOf(const char* fileName, TSetting& setting);

class TDataFiles {
 public:
  // `folder` ends with a path separator; `entries` are indexed by TDataFile.
  TDataFiles(std::string folder, std::vector<TDataFileEntry> entries);

  bool Load(TDataFile file);
  // False also when an unreadable file could not be kept as ".bak": it then stays as it is.
  bool Save(TDataFile file);
  const char* LoadError(TDataFile file) const { return entries_[file].loadError; }
  const char* SaveError(TDataFile file) const { return entries_[file].saveError; }
  std::string PathOf(TDataFile file) const { return folder_ + entries_[file].fileName; }

 private:
  std::string folder_;
  std::vector<TDataFileEntry> entries_;
  std::vector<bool> unreadable_;  // existed at start but could not be read; not saved over yet
};
