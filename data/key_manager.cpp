#include "data/key_manager.h"

#include <algorithm>

#include "data/comma_list.h"
#include "data/platform.h"
#include "data/text_lines.h"

void TKeyInfo::SetKeys(const TChord& keys) {
  keys_ = keys;
  keysText_ = ChordText(keys_);
}

TKeyInfo* TKeyManager::Get(int index) const {
  if (index < 0 || index >= Count()) return nullptr;
  return items_[static_cast<size_t>(index)].get();
}

TKeyInfo* TKeyManager::Add(const TChord& keys, const std::string& path,
                           const std::string& arguments, const std::string& workPath,
                           const std::string& programName, const std::string& keyText,
                           bool repeat) {
  auto info = std::make_unique<TKeyInfo>();
  info->SetKeys(keys);
  info->SetPath(path);
  info->SetArguments(arguments);
  info->SetWorkPath(workPath);
  info->SetProgramName(programName);
  info->SetKeyText(keyText);
  info->SetRepeat(repeat);
  items_.push_back(std::move(info));
  return items_.back().get();
}

void TKeyManager::Remove(const TKeyInfo* info) {
  auto found = std::find_if(items_.begin(), items_.end(),
                            [info](const std::unique_ptr<TKeyInfo>& item) { return item.get() == info; });
  if (found != items_.end()) items_.erase(found);
}

// TODO(data): LoadFromFile, SaveToFile, LoadFromBytes, SaveToBytes.
