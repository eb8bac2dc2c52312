#include "ui/list_filter.h"

#include "data/key_manager.h"
#include "data/key_name_manager.h"
#include "data/platform.h"

std::string FindKey(const std::string& typed) {
  std::string key = typed;
  platform::LowerAnsi(key);
  return key;
}

bool TextFinds(const std::string& text, const std::string& key) {
  if (key.empty()) return true;
  std::string lowered = text;
  platform::LowerAnsi(lowered);
  for (size_t at = 0; at + key.size() <= lowered.size();) {
    if (lowered.compare(at, key.size(), key) == 0) return true;
    at += platform::IsLeadByte(static_cast<unsigned char>(lowered[at])) ? 2 : 1;
  }
  return false;
}

bool AssignmentFinds(const TKeyInfo& info, const std::string& key) {
  for (const std::string* text : {&info.ProgramName(), &info.KeyText(), &info.Path(),
                                  &info.Arguments(), &info.WorkPath()})
    if (TextFinds(*text, key)) return true;
  return false;
}

bool KeyNameFinds(const TKeyName& entry, const std::string& key) {
  return TextFinds(entry.Key, key) || TextFinds(entry.Name, key);
}

namespace {

template <class Manager, class Finds>
std::vector<int> Found(const Manager& manager, const std::string& typed, Finds finds) {
  const std::string key = FindKey(typed);
  std::vector<int> indices;
  for (int index = 0; index < manager.Count(); ++index)
    if (finds(*manager.Get(index), key)) indices.push_back(index);
  return indices;
}

}  // namespace

std::vector<int> FoundAssignments(const TKeyManager& keys, const std::string& typed) {
  return Found(keys, typed, AssignmentFinds);
}

std::vector<int> FoundKeyNames(const TKeyNameManager& names, const std::string& typed) {
  return Found(names, typed, KeyNameFinds);
}

std::string FoundCountText(size_t shown, size_t total) {
  return std::to_string(shown) + " / " + std::to_string(total) + " 件";
}
