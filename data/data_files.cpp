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
          [&setting](const std::string& path) { return setting.SaveToFile(path); },
          // Keys the file lacks keep their values, so even a file of junk changes nothing.
          [&setting](const std::string& path, const std::string&) {
            setting.LoadFromFile(path);
            return true;
          }};
}

TDataFiles::TDataFiles(std::string folder, std::vector<TDataFileEntry> entries)
    : folder_(std::move(folder)),
      entries_(std::move(entries)),
      foreign_(entries_.size()),
      known_(entries_.size()) {}

// A missing file is known as empty: one that appears later is new content.
void TDataFiles::NoteContent(TDataFile file) {
  const std::string path = PathOf(file);
  std::string bytes;
  if (!platform::FileExists(path)) known_[file] = std::string();
  else if (platform::ReadFileBytes(path, bytes)) known_[file] = std::move(bytes);
  else known_[file].reset();
}

bool TDataFiles::Load(TDataFile file) {
  const std::string path = PathOf(file);
  const bool ok = entries_[file].load(path);
  foreign_[file] = !ok && platform::FileExists(path);
  NoteContent(file);
  return ok;
}

bool TDataFiles::Save(TDataFile file) {
  const std::string path = PathOf(file);
  const bool kept = !foreign_[file] || !platform::FileExists(path) ||
                    platform::CopyFileOver(path, path + ".bak");
  const bool ok = kept && entries_[file].save(path);
  if (ok) {
    foreign_[file] = false;
    NoteContent(file);
  }
  return ok;
}

TDiskChange TDataFiles::Examine(TDataFile file, bool take) {
  const std::string path = PathOf(file);
  // A file gone (deleted, or between a sync tool's delete and rename) takes nothing away.
  if (!platform::FileExists(path)) return TDiskChange::kNone;
  std::string bytes;
  if (!platform::ReadFileBytes(path, bytes)) {
    // Still being written, or locked: looked at again when it changes next.
    foreign_[file] = true;
    known_[file].reset();
    return take ? TDiskChange::kKept : TDiskChange::kNoted;
  }
  if (known_[file] == bytes) return TDiskChange::kNone;
  known_[file] = bytes;
  foreign_[file] = true;
  if (!take) return TDiskChange::kNoted;
  const TDataFileEntry& entry = entries_[file];
  const bool taken = entry.reload ? entry.reload(path, bytes) : entry.load(path);
  return taken ? TDiskChange::kReloaded : TDiskChange::kKept;
}
