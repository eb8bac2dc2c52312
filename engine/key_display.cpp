#include "engine/key_display.h"

#include "data/key_name_manager.h"
#include "data/platform.h"

std::string KeyDisplayName(uint32_t keystrokeFlags, const TKeyNameManager* aliases) {
  std::string name = platform::KeyNameText(keystrokeFlags);
  if (!name.empty()) return name;
  std::string code = KeyCodeFromFlags(keystrokeFlags);
  if (aliases) {
    if (const TKeyName* alias = aliases->Find(code)) return alias->Name;
  }
  return code;
}

std::string KeyDisplayNameOfCode(const std::string& keyCode, const TKeyNameManager* aliases) {
  std::string name = platform::KeyNameText(FlagsFromKeyCode(keyCode));
  if (!name.empty()) return name;
  if (aliases) {
    if (const TKeyName* alias = aliases->Find(keyCode)) return alias->Name;
  }
  return keyCode;
}

namespace {

std::string JoinedDisplayNames(const TChord& keys, const TKeyNameManager* aliases, size_t from,
                               const char* separator) {
  std::string text;
  for (size_t i = from; i < keys.size(); ++i) {
    if (!text.empty()) text += separator;
    text += KeyDisplayNameOfCode(keys[i], aliases);
  }
  return text;
}

}  // namespace

std::string ChordDisplayText(const TChord& chord, const TKeyNameManager* aliases, size_t from) {
  return JoinedDisplayNames(chord, aliases, from, "+");
}

std::string SequenceDisplayText(const TChord& keys, const TKeyNameManager* aliases, size_t from) {
  return JoinedDisplayNames(keys, aliases, from, ", ");
}
