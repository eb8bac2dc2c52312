#include "data/key_name_manager.h"

#include <algorithm>

#include "data/comma_list.h"
#include "data/data_files.h"
#include "data/platform.h"
#include "data/text_lines.h"

TKeyName* TKeyNameManager::Get(int index) const {
  if (index < 0 || index >= Count()) return nullptr;
  return items_[static_cast<size_t>(index)].get();
}

TKeyName* TKeyNameManager::Add(const std::string& key, const std::string& name) {
  items_.push_back(std::make_unique<TKeyName>(TKeyName{key, name}));
  return items_.back().get();
}

void TKeyNameManager::Remove(const TKeyName* entry) {
  auto found = std::find_if(items_.begin(), items_.end(),
                            [entry](const std::unique_ptr<TKeyName>& item) { return item.get() == entry; });
  if (found != items_.end()) items_.erase(found);
}

TKeyName* TKeyNameManager::Find(const std::string& key) const {
  for (const auto& item : items_)
    if (item->Key == key) return item.get();
  return nullptr;
}

bool TKeyNameManager::LoadFromFile(const std::string& fileName) {
  if (!platform::FileExists(fileName)) return true;
  std::string bytes;
  if (!platform::ReadFileBytes(fileName, bytes)) return false;
  LoadFromBytes(bytes);
  return true;
}

bool TKeyNameManager::SaveToFile(const std::string& fileName) const {
  return platform::ReplaceFileBytes(fileName, SaveToBytes());
}

// A line needs a key and a name; shorter lines are skipped, later items ignored.
void TKeyNameManager::LoadFromBytes(const std::string& bytes) {
  Clear();
  for (std::string_view line : SplitLineViews(bytes)) {
    TTextList items = DecodeCommaList(line);
    if (items.size() < 2) continue;
    items_.push_back(
        std::make_unique<TKeyName>(TKeyName{std::move(items[0]), std::move(items[1])}));
  }
}

bool TKeyNameManager::ReloadFromBytes(const std::string& bytes) { return ReloadHoldingEntries(*this, bytes); }

std::string TKeyNameManager::SaveToBytes() const {
  std::vector<std::string> lines;
  lines.reserve(items_.size());
  for (const auto& item : items_) lines.push_back(EncodeCommaList({item->Key, item->Name}));
  return JoinLines(lines);
}
