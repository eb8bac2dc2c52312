#include "ui/key_name_entry.h"

#include <algorithm>

#include "data/key_manager.h"
#include "data/key_name_manager.h"
#include "engine/key_display.h"

namespace {

bool IsBlankByte(char byte) { return static_cast<unsigned char>(byte) <= 0x20; }

}  // namespace

std::string TrimBlankBytes(const std::string& text) {
  size_t first = 0, last = text.size();
  while (first < last && IsBlankByte(text[first])) ++first;
  while (last > first && IsBlankByte(text[last - 1])) --last;
  return text.substr(first, last - first);
}

std::string KeyNameInputError(const TKeyNameManager& names, const std::string& key,
                              const std::string& name, bool adding, int selectedRow) {
  std::string message;
  for (int i = 0; i < names.Count(); ++i) {
    if (names.Get(i)->Key == key && (adding || i != selectedRow)) {
      message = "このキーは既に登録されています。";
      break;
    }
  }
  if (key.empty()) message = "キーを指定してください。";
  if (name.empty()) message = "割り当て名を指定してください。";
  return message;
}

std::vector<TKeyTextChange> RebuiltKeyTexts(const TKeyManager& keys,
                                            const TKeyNameManager& names,
                                            const std::string& key) {
  std::vector<TKeyTextChange> changes;
  for (int i = 0; i < keys.Count(); ++i) {
    const TChord& chord = keys.Get(i)->Keys();
    if (std::find(chord.begin(), chord.end(), key) == chord.end()) continue;
    changes.push_back({i, ChordDisplayText(chord, &names)});
  }
  return changes;
}
