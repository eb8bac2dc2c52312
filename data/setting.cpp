#include "data/setting.h"

#include <utility>
#include <vector>

#include "data/comma_list.h"
#include "data/platform.h"
#include "data/text_lines.h"

namespace {

const char kSection[] = "Setting";
const int kStyleCount = 4;

// "ＭＳ 明朝" in Shift-JIS, spelled as bytes so it does not depend on the compiler's charset.
const char kDefaultFontName[] = "\x82\x6C\x82\x72\x20\x96\xBE\x92\xA9";

int DigitValue(char c, unsigned base) {
  if (c >= '0' && c <= '9') return c - '0';
  if (base == 16 && c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (base == 16 && c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// Skips the "$" or "0x" of a hexadecimal number; returns the base.
unsigned ReadBasePrefix(const std::string& text, size_t& pos) {
  if (pos < text.size() && text[pos] == '$') {
    pos += 1;
    return 16;
  }
  if (pos + 1 < text.size() && text[pos] == '0' && (text[pos + 1] == 'x' || text[pos + 1] == 'X')) {
    pos += 2;
    return 16;
  }
  return 10;
}

class SettingReader {
 public:
  explicit SettingReader(const std::string& file) : file_(file) {}

  std::string Text(const char* key, const std::string& fallback) const {
    return platform::ReadProfileString(file_, kSection, key, fallback);
  }

  // A missing key or a value that is not a number keeps `value`.
  void Integer(const char* key, int32_t& value) const {
    ParseSettingInteger(Text(key, std::to_string(value)), value);
  }

  void Color(const char* key, TColor& color) const {
    int32_t value = static_cast<int32_t>(color);
    Integer(key, value);
    color = static_cast<TColor>(value);
  }

  // A time in milliseconds; anything but a number from `least` to TSetting::kMostDelayMs is
  // the default.
  void Milliseconds(const char* key, int32_t least, int32_t fallback, int32_t& value) const {
    value = MillisecondsOrDefault(Text(key, ""), least, fallback);
  }

  void Boolean(const char* key, bool& flag) const {
    int32_t value = flag ? 1 : 0;
    Integer(key, value);
    flag = value != 0;
  }

  // Adds the style of each item from 0 to 3; false at the first item that is not an integer.
  bool FontStyle(const char* key, uint8_t& style) const {
    for (const std::string& item : DecodeCommaList(Text(key, ""))) {
      int32_t number = 0;
      if (!ParseSettingInteger(item, number)) return false;
      if (number >= 0 && number < kStyleCount) style = static_cast<uint8_t>(style | (1u << number));
    }
    return true;
  }

 private:
  const std::string& file_;
};

std::string ColorText(TColor color) { return std::to_string(static_cast<int32_t>(color)); }
std::string BooleanText(bool flag) { return flag ? "1" : "0"; }

std::string FontStyleText(uint8_t style) {
  TTextList numbers;
  for (int number = 0; number < kStyleCount; ++number)
    if (style & (1u << number)) numbers.push_back(std::to_string(number));
  return EncodeCommaList(numbers);
}

bool WriteAll(const std::string& file,
              const std::vector<std::pair<const char*, std::string>>& entries) {
  for (const auto& [key, value] : entries)
    if (!platform::WriteProfileString(file, kSection, key, value)) return false;
  return true;
}

}  // namespace

TSetting::TSetting()
    : ShowKeyView(true),
      TextColor(0x6031CE),
      ProgColor(0xCE132B),
      BackColor(0xA0EBE9),
      TextColor2(0xFFFF00),
      ProgColor2(0x8FE7E4),
      BackColor2(0xB53E2D),
      FontName(kDefaultFontName),
      FontSize(12),
      FontStyle(0),
      StartUp(true),
      EdgeColor(0x808000),
      KeyViewPos(0),
      HideCursor(true),
      SendUnmatchedKeys(true),
      SequenceTimeout(kDefaultSequenceTimeout),
      KeyViewDelay(kDefaultKeyViewDelay) {}

bool ParseSettingInteger(const std::string& text, int32_t& value) {
  size_t pos = 0;
  while (pos < text.size() && text[pos] == ' ') ++pos;
  bool negative = false;
  if (pos < text.size() && (text[pos] == '+' || text[pos] == '-')) negative = text[pos++] == '-';
  const unsigned base = ReadBasePrefix(text, pos);
  if (pos >= text.size()) return false;

  // Hexadecimal takes any 32-bit pattern; decimal must fit a signed 32-bit number.
  const uint64_t limit = base == 16 ? 0xFFFFFFFFu : (negative ? 0x80000000u : 0x7FFFFFFFu);
  uint64_t magnitude = 0;
  for (; pos < text.size(); ++pos) {
    int digit = DigitValue(text[pos], base);
    if (digit < 0) return false;
    magnitude = magnitude * base + static_cast<unsigned>(digit);
    if (magnitude > limit) return false;
  }
  uint32_t bits = static_cast<uint32_t>(magnitude);
  if (negative) bits = 0u - bits;
  value = static_cast<int32_t>(bits);
  return true;
}

int32_t MillisecondsOrDefault(const std::string& text, int32_t least, int32_t fallback) {
  int32_t value = fallback;
  if (!ParseSettingInteger(text, value) || value < least || value > TSetting::kMostDelayMs) return fallback;
  return value;
}

// The profile functions drop one pair of quotes around a whole value, so a value that begins and
// ends with the same quote gets one more pair to lose.
std::string ProfileValue(const std::string& text) {
  const bool quoted = text.size() >= 2 && text.front() == text.back() &&
                      (text.front() == '"' || text.front() == '\'');
  return quoted ? '"' + text + '"' : text;
}

bool TSetting::LoadFromFile(const std::string& fileName) {
  const SettingReader read(fileName);
  read.Boolean("ShowKeyView", ShowKeyView);
  read.Color("TextColor", TextColor);
  read.Color("ProgColor", ProgColor);
  read.Color("BackColor", BackColor);
  read.Color("TextColor2", TextColor2);
  read.Color("ProgColor2", ProgColor2);
  read.Color("BackColor2", BackColor2);
  FontName = read.Text("FontName", FontName);
  read.Integer("FontSize", FontSize);
  if (!read.FontStyle("FontStyle", FontStyle)) return false;
  read.Boolean("StartUp", StartUp);
  read.Color("EdgeColor", EdgeColor);
  int32_t position = KeyViewPos;
  read.Integer("KeyViewPos", position);
  KeyViewPos = static_cast<int8_t>(static_cast<uint8_t>(position & 0xFF));
  read.Boolean("HideCursor", HideCursor);
  read.Boolean("SendUnmatchedKeys", SendUnmatchedKeys);
  const std::string excluded = read.Text("ExcludePrograms", "");
  if (!excluded.empty()) ExcludePrograms = DecodeCommaList(excluded);
  read.Milliseconds("SequenceTimeout", 1, kDefaultSequenceTimeout, SequenceTimeout);
  read.Milliseconds("KeyViewDelay", 0, kDefaultKeyViewDelay, KeyViewDelay);
  return true;
}

// The keys go into a fresh temporary file that then replaces the old one, so a failed write
// leaves the previous settings whole. The profile functions may answer success for a write
// that never reached the disk (a full disk leaves an empty file), so the temporary file is read
// back before it replaces anything.
bool TSetting::SaveToFile(const std::string& fileName) const {
  std::vector<std::pair<const char*, std::string>> entries = {
      {"ShowKeyView", BooleanText(ShowKeyView)},
      {"TextColor", ColorText(TextColor)},
      {"ProgColor", ColorText(ProgColor)},
      {"BackColor", ColorText(BackColor)},
      {"TextColor2", ColorText(TextColor2)},
      {"ProgColor2", ColorText(ProgColor2)},
      {"BackColor2", ColorText(BackColor2)},
      {"FontName", FontName},
      {"FontSize", std::to_string(FontSize)},
      {"FontStyle", FontStyleText(FontStyle)},
      {"StartUp", BooleanText(StartUp)},
      {"EdgeColor", ColorText(EdgeColor)},
      {"KeyViewPos", std::to_string(KeyViewPos)},
      {"HideCursor", BooleanText(HideCursor)},
  };
  if (!SendUnmatchedKeys) entries.push_back({"SendUnmatchedKeys", BooleanText(false)});
  if (!ExcludePrograms.empty())
    entries.push_back({"ExcludePrograms", ProfileValue(EncodeCommaList(ExcludePrograms))});
  if (SequenceTimeout != kDefaultSequenceTimeout)
    entries.push_back({"SequenceTimeout", std::to_string(SequenceTimeout)});
  if (KeyViewDelay != kDefaultKeyViewDelay) entries.push_back({"KeyViewDelay", std::to_string(KeyViewDelay)});
  const std::string temporary = platform::TemporaryNameFor(fileName);
  if (platform::FileExists(temporary)) platform::RemoveFile(temporary);
  std::string written;
  if (!platform::FileExists(temporary) && WriteAll(temporary, entries) &&
      platform::ReadFileBytes(temporary, written) && SettingsFileHolds(written, entries) &&
      platform::MoveReplacing(temporary, fileName))
    return true;
  platform::RemoveFile(temporary);
  return false;
}

bool SettingsFileHolds(const std::string& bytes,
                       const std::vector<std::pair<const char*, std::string>>& entries) {
  const std::vector<std::string_view> lines = SplitLineViews(bytes);
  for (const auto& entry : entries) {
    const std::string start = std::string(entry.first) + "=";
    bool found = false;
    for (std::string_view line : lines) found = found || line.substr(0, start.size()) == start;
    if (!found) return false;
  }
  return true;
}
