// Host stand-ins for the platform seam: Shift-JIS rules, a US key-name table, POSIX files and a
// small INI reader/writer that behaves like the profile functions for the settings file.
#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <cstdio>
#include <map>
#include <string_view>
#include <vector>

#include "data/platform.h"
#include "data/text_lines.h"

namespace platform {

bool IsLeadByte(unsigned char byte) {
  return (byte >= 0x81 && byte <= 0x9F) || (byte >= 0xE0 && byte <= 0xFC);
}

namespace {

// Full-width capitals of Shift-JIS and their lower-case partners: Latin, Greek, Cyrillic.
void LowerDoubleByte(unsigned char lead, unsigned char& trail) {
  if (lead == 0x82 && trail >= 0x60 && trail <= 0x79) trail = static_cast<unsigned char>(trail + 0x21);
  else if (lead == 0x83 && trail >= 0x9F && trail <= 0xB6) trail = static_cast<unsigned char>(trail + 0x20);
  else if (lead == 0x84 && trail >= 0x40 && trail <= 0x60)
    trail = static_cast<unsigned char>(trail + (trail <= 0x4E ? 0x30 : 0x31));
}

}  // namespace

void LowerAnsi(std::string& text) {
  for (size_t i = 0; i < text.size(); ++i) {
    unsigned char byte = static_cast<unsigned char>(text[i]);
    if (IsLeadByte(byte)) {
      if (i + 1 >= text.size()) break;
      unsigned char trail = static_cast<unsigned char>(text[i + 1]);
      LowerDoubleByte(byte, trail);
      text[i + 1] = static_cast<char>(trail);
      ++i;
    } else if (byte >= 'A' && byte <= 'Z') {
      text[i] = static_cast<char>(byte + 32);
    }
  }
}

std::string KeyNameText(uint32_t keystrokeFlags) {
  static const std::map<uint32_t, const char*> names = {
      {0x01, "Esc"},   {0x0E, "Backspace"}, {0x0F, "Tab"},   {0x1C, "Enter"},
      {0x1D, "Ctrl"},  {0x2A, "Shift"},     {0x36, "Right Shift"}, {0x38, "Alt"},
      {0x39, "Space"}, {0x3A, "Caps Lock"}, {0x11D, "Right Ctrl"}, {0x138, "Right Alt"},
      {0x1E, "A"}, {0x30, "B"}, {0x2E, "C"}, {0x20, "D"}, {0x12, "E"}, {0x21, "F"}, {0x22, "G"},
      {0x23, "H"}, {0x17, "I"}, {0x24, "J"}, {0x25, "K"}, {0x26, "L"}, {0x32, "M"}, {0x31, "N"},
      {0x18, "O"}, {0x19, "P"}, {0x10, "Q"}, {0x13, "R"}, {0x1F, "S"}, {0x14, "T"}, {0x16, "U"},
      {0x2F, "V"}, {0x11, "W"}, {0x2D, "X"}, {0x15, "Y"}, {0x2C, "Z"}, {0x02, "1"}, {0x03, "2"},
      {0x04, "3"}, {0x05, "4"}, {0x06, "5"}, {0x07, "6"}, {0x08, "7"}, {0x09, "8"}, {0x0A, "9"},
      {0x0B, "0"}, {0x3B, "F1"}, {0x3C, "F2"}, {0x3D, "F3"}, {0x3E, "F4"}};
  uint32_t key = ((keystrokeFlags >> 16) & 0xFF) | (((keystrokeFlags >> 24) & 1) << 8);
  auto found = names.find(key);
  return found == names.end() ? std::string() : std::string(found->second);
}

bool FileExists(const std::string& path) {
  struct stat info;
  return stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

bool FolderExists(const std::string& path) {
  struct stat info;
  return stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

bool ReadFileBytes(const std::string& path, std::string& bytes) {
  FILE* file = std::fopen(path.c_str(), "rb");
  if (!file) return false;
  std::string content;
  char chunk[65536];
  size_t got;
  while ((got = std::fread(chunk, 1, sizeof chunk, file)) > 0) content.append(chunk, got);
  bool ok = !std::ferror(file);
  std::fclose(file);
  if (ok) bytes.swap(content);
  return ok;
}

std::string TemporaryNameFor(const std::string& path) { return path + ".new"; }

bool MoveReplacing(const std::string& from, const std::string& to) {
  return std::rename(from.c_str(), to.c_str()) == 0;
}

bool RemoveFile(const std::string& path) { return std::remove(path.c_str()) == 0; }

bool CopyFileOver(const std::string& from, const std::string& to) {
  std::string bytes;
  if (!ReadFileBytes(from, bytes)) return false;
  FILE* file = std::fopen(to.c_str(), "wb");
  if (!file) return false;
  bool ok = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
  return (std::fclose(file) == 0) && ok;
}

bool ReplaceFileBytes(const std::string& path, const std::string& bytes) {
  const std::string temporary = TemporaryNameFor(path);
  FILE* file = std::fopen(temporary.c_str(), "wb");
  if (!file) return false;
  bool ok = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
  ok = (std::fflush(file) == 0) && ok;
  ok = (fsync(fileno(file)) == 0) && ok;
  ok = (std::fclose(file) == 0) && ok;
  if (ok && MoveReplacing(temporary, path)) return true;
  std::remove(temporary.c_str());
  return false;
}

namespace {

std::string_view Trim(std::string_view text) {
  while (!text.empty() && static_cast<unsigned char>(text.front()) <= ' ') text.remove_prefix(1);
  while (!text.empty() && static_cast<unsigned char>(text.back()) <= ' ') text.remove_suffix(1);
  return text;
}

bool SameName(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i])))
      return false;
  return true;
}

bool IsSectionLine(std::string_view line, std::string_view& name) {
  line = Trim(line);
  if (line.size() < 2 || line.front() != '[') return false;
  size_t close = line.find(']');
  if (close == std::string_view::npos) return false;
  name = Trim(line.substr(1, close - 1));
  return true;
}

// Index of the key's line inside the section, or -1; `sectionEnd` gets the line after it.
int FindKeyLine(const std::vector<std::string>& lines, const char* section, const char* key,
                int& sectionStart, int& sectionEnd) {
  sectionStart = sectionEnd = -1;
  int found = -1;
  for (int i = 0; i < static_cast<int>(lines.size()); ++i) {
    std::string_view name;
    if (IsSectionLine(lines[i], name)) {
      if (sectionStart >= 0) break;
      if (SameName(name, section)) sectionStart = i;
      continue;
    }
    if (sectionStart < 0) continue;
    sectionEnd = i + 1;
    size_t equals = lines[i].find('=');
    if (found < 0 && equals != std::string::npos &&
        SameName(Trim(std::string_view(lines[i]).substr(0, equals)), key))
      found = i;
  }
  if (sectionStart >= 0 && sectionEnd < 0) sectionEnd = sectionStart + 1;
  return found;
}

}  // namespace

std::string ReadProfileString(const std::string& file, const char* section, const char* key,
                              const std::string& fallback) {
  std::string bytes;
  if (!ReadFileBytes(file, bytes)) return fallback.substr(0, 2047);
  std::vector<std::string> lines = SplitLines(bytes);
  int start, end;
  int line = FindKeyLine(lines, section, key, start, end);
  if (line < 0) return fallback.substr(0, 2047);
  std::string_view value = Trim(std::string_view(lines[line]).substr(lines[line].find('=') + 1));
  if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
      value.back() == value.front())
    value = value.substr(1, value.size() - 2);
  return std::string(value.substr(0, 2047));
}

bool WriteProfileString(const std::string& file, const char* section, const char* key,
                        const std::string& value) {
  std::string bytes;
  ReadFileBytes(file, bytes);
  std::vector<std::string> lines = SplitLines(bytes);
  int start, end;
  int line = FindKeyLine(lines, section, key, start, end);
  std::string entry = std::string(key) + "=" + value;
  if (line >= 0) {
    lines[line] = entry;
  } else if (start >= 0) {
    lines.insert(lines.begin() + end, entry);
  } else {
    lines.push_back(std::string("[") + section + "]");
    lines.push_back(entry);
  }
  FILE* out = std::fopen(file.c_str(), "wb");
  if (!out) return false;
  std::string joined = JoinLines(lines);
  bool ok = std::fwrite(joined.data(), 1, joined.size(), out) == joined.size();
  return (std::fclose(out) == 0) && ok;
}

}  // namespace platform
