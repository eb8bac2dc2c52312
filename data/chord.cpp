#include "data/chord.h"

#include <algorithm>
#include <cstdio>

std::string KeyCodeFromFlags(uint32_t keystrokeFlags) {
  char digits[8];
  std::snprintf(digits, sizeof digits, "%03u%03u", (keystrokeFlags >> 24) & 1u,
                (keystrokeFlags >> 16) & 0xFFu);
  return digits;
}

namespace {

// Reads a group of digits as a decimal number; false when it is not one.
bool ReadDecimal(std::string_view digits, uint32_t& value) {
  if (digits.empty()) return false;
  uint32_t result = 0;
  for (char c : digits) {
    if (c < '0' || c > '9') return false;
    result = result * 10 + static_cast<uint32_t>(c - '0');
  }
  value = result;
  return true;
}

}  // namespace

uint32_t FlagsFromKeyCode(std::string_view keyCode) {
  uint32_t flags = 0;
  uint32_t number = 0;
  if (ReadDecimal(keyCode.substr(0, 3), number)) flags = number << 24;
  if (keyCode.size() > 3 && ReadDecimal(keyCode.substr(3, 3), number)) flags |= number << 16;
  return flags;
}

std::string ChordText(const TChord& chord) {
  std::string text;
  text.reserve(chord.size() * 8);
  for (const std::string& code : chord) {
    text += code;
    text += "\r\n";
  }
  return text;
}

bool ChordTextEquals(std::string_view heldText, std::string_view assignedText) {
  return heldText == assignedText;
}

bool ChordTextBeginsWith(std::string_view assignedText, std::string_view heldText) {
  return !heldText.empty() && assignedText.starts_with(heldText);
}

bool AddDistinctKey(TChord& chord, const std::string& keyCode) {
  if (std::find(chord.begin(), chord.end(), keyCode) != chord.end()) return false;
  chord.push_back(keyCode);
  return true;
}

bool RemoveKey(TChord& chord, const std::string& keyCode) {
  auto found = std::find(chord.begin(), chord.end(), keyCode);
  if (found == chord.end()) return false;
  chord.erase(found);
  return true;
}
