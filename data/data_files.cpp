#include "data/data_files.h"

#include <utility>

#include "data/platform.h"
#include "data/setting.h"

TDataFileEntry SettingDataFileOf(const char* fileName, TSetting& setting) {
  return {fileName, nullptr, nullptr,
          [&setting](const std::string& path) {
            std::string bytes;
            const bool readable = !platform::FileExists(path) || platform::ReadFileBytes(path, bytes);
            setting.LoadFromFile(path);
            return readable;
          },
          [&setting](const std::string& path) { return setting.SaveToFile(path); }};
}

TDataFiles::TDataFiles(std::string folder, std::vector<TDataFileEntry> entries)
    : folder_(std::move(folder)), entries_(std::move(entries)), unreadable_(entries_.size()) {}

bool TDataFiles::Load(TDataFile file) {
  const std::string path = PathOf(file);
  const bool ok = entries_[file].load(path);
  unreadable_[file] = !ok && platform::FileExists(path);
  return ok;
}

bool TDataFiles::Save(TDataFile file) {
  const std::string path = PathOf(file);
  const bool kept = !unreadable_[file] || !platform::FileExists(path) ||
                    platform::CopyFileOver(path, path + ".bak");
  const bool ok = kept && entries_[file].save(path);
  if (ok) unreadable_[file] = false;
  return ok;
}
