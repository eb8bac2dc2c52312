// The user's settings (TSetting) with their defaults, stored in "vakro.dat".
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

// Colours are 0x00BBGGRR.
using TColor = uint32_t;

// Bit n of FontStyle stands for style number n, the number the file stores.
enum TFontStyleBit : uint8_t {
  kFontBold = 1 << 0,
  kFontItalic = 1 << 1,
  kFontUnderline = 1 << 2,
  kFontStrikeOut = 1 << 3,
};

class TSetting {
 public:
  TSetting();

  bool ShowKeyView;
  TColor TextColor;
  TColor ProgColor;
  TColor BackColor;
  TColor TextColor2;
  TColor ProgColor2;
  TColor BackColor2;
  std::string FontName;
  int32_t FontSize;
  uint8_t FontStyle;
  bool StartUp;
  TColor EdgeColor;
  int8_t KeyViewPos;
  bool HideCursor;
  // Withheld keys that turn out not to be a chord reach their window afterwards. Stored only
  // when off, so a file with the defaults stays as it always was.
  bool SendUnmatchedKeys;
  // Programs (executable file names) vakro leaves alone: while one has the focus no chord
  // fires. Stored as a comma list only when not empty.
  std::vector<std::string> ExcludePrograms;
  // Milliseconds a begun key sequence waits for its next key before it is abandoned (its keys
  // delivered), and before the key guide shows (0: at once). Stored only when not the default.
  int32_t SequenceTimeout;
  int32_t KeyViewDelay;
  static constexpr int32_t kDefaultSequenceTimeout = 2000;
  static constexpr int32_t kDefaultKeyViewDelay = 0;
  static constexpr int32_t kMostDelayMs = 60000;

  // False only for a malformed "FontStyle" item; the settings after it are then not read.
  bool LoadFromFile(const std::string& fileName);
  // Writes the whole file anew (into a temporary file first); false when a write failed.
  bool SaveToFile(const std::string& fileName) const;
};

// The key guide's position as the settings page lists it: 0 to 4, anything else -1 (none).
inline int8_t PositionInList(int position) { return static_cast<int8_t>(position >= 0 && position <= 4 ? position : -1); }

// Integer syntax of the settings file: decimal with leading spaces and a sign, or hexadecimal
// after "$" or "0x". False for anything else, the value then untouched.
bool ParseSettingInteger(const std::string& text, int32_t& value);

// A time setting from its text: the number when it lies from `least` to TSetting::kMostDelayMs,
// else `fallback` (the default).
int32_t MillisecondsOrDefault(const std::string& text, int32_t least, int32_t fallback);

// A text as written with the profile functions so that it reads back unchanged.
std::string ProfileValue(const std::string& text);

// True when the bytes of a settings file hold a "key=" line for every entry: how a save checks
// that the profile functions really wrote its temporary file.
bool SettingsFileHolds(const std::string& bytes,
                       const std::vector<std::pair<const char*, std::string>>& entries);
