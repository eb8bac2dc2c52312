#include "data/key_name_manager.h"

#include <algorithm>

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

// TODO(data): LoadFromFile, SaveToFile, LoadFromBytes, SaveToBytes.
