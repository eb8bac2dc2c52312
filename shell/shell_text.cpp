#include "shell/shell_text.h"

#include <cstdint>

#include "data/platform.h"

namespace {

// Reads one DefaultIcon value into `info`: the file before the first comma, the index after
// it. `noteFailure` marks a non-numeric index as a request for the generic program icon.
void ReadIconValue(const std::string& value, TFileTypeInfo& info, bool noteFailure) {
  TIconValueParts parts = SplitIconValue(value);
  if (parts.hasComma) info.iconFile = parts.file;
  if (!ParseIconIndex(parts.rest, info.iconIndex) && noteFailure) info.genericIcon = true;
}

TFileTypeInfo Finished(TFileTypeInfo info) {
  info.iconFile = WithoutEnclosingQuotes(info.iconFile);
  return info;
}

bool IsHexDigit(char c, uint32_t& digit) {
  if (c >= '0' && c <= '9') digit = static_cast<uint32_t>(c - '0');
  else if (c >= 'a' && c <= 'f') digit = static_cast<uint32_t>(c - 'a' + 10);
  else if (c >= 'A' && c <= 'F') digit = static_cast<uint32_t>(c - 'A' + 10);
  else return false;
  return true;
}

bool ParseHex(const std::string& text, size_t at, int64_t& value) {
  if (at >= text.size()) return false;
  uint64_t result = 0;
  for (; at < text.size(); ++at) {
    uint32_t digit;
    if (!IsHexDigit(text[at], digit)) return false;
    result = result * 16 + digit;
    if (result > 0xFFFFFFFFu) return false;
  }
  value = static_cast<int32_t>(static_cast<uint32_t>(result));
  return true;
}

bool ParseDecimal(const std::string& text, size_t at, int64_t& value) {
  if (at >= text.size()) return false;
  int64_t result = 0;
  for (; at < text.size(); ++at) {
    if (text[at] < '0' || text[at] > '9') return false;
    result = result * 10 + (text[at] - '0');
    if (result > 0x80000000LL) return false;
  }
  value = result;
  return true;
}

}  // namespace

TFileTypeInfo LookUpFileType(const std::string& extension, const TRegistryDefaultReader& readKey,
                            const TEnvironmentLookup& lookUpVariable) {
  TFileTypeInfo info;
  const bool isDirectory = extension == "<dir>";
  std::string className = "Directory";
  if (!isDirectory) {
    const std::string key = extension.starts_with('.') ? extension : "." + extension;
    if (!readKey(key, className) || className.empty()) return Finished(info);
  }
  std::string value;
  if (!readKey(className, value)) return Finished(info);
  info.typeName = value;
  if (readKey(className + "\\DefaultIcon", value)) ReadIconValue(value, info, true);
  if (info.genericIcon && readKey("comfile\\DefaultIcon", value)) ReadIconValue(value, info, false);
  if (!info.iconFile.empty())
    info.iconFile = ExpandEnvironmentReferences(info.iconFile, lookUpVariable);
  return Finished(info);
}

std::string ExpandEnvironmentReferences(const std::string& text,
                                        const TEnvironmentLookup& lookUpVariable) {
  std::string result;
  size_t at = 0;
  while (at < text.size()) {
    const size_t open = text.find('%', at);
    if (open == std::string::npos) {
      result.append(text, at, std::string::npos);
      break;
    }
    result.append(text, at, open - at);
    const size_t close = text.find('%', open + 1);
    if (close == std::string::npos) {
      result.append(text, open + 1, std::string::npos);
      break;
    }
    std::string value;
    if (lookUpVariable(text.substr(open + 1, close - open - 1), value)) result += value;
    at = close + 1;
  }
  return result;
}

TIconValueParts SplitIconValue(const std::string& value) {
  TIconValueParts parts;
  const size_t comma = value.find(',');
  if (comma == std::string::npos) {
    parts.rest = value;
    return parts;
  }
  parts.hasComma = true;
  parts.file = value.substr(0, comma);
  parts.rest = value.substr(comma + 1);
  return parts;
}

bool ParseIconIndex(const std::string& text, int& index) {
  size_t at = text.find_first_not_of(" \t");
  if (at == std::string::npos) return false;
  bool negative = false;
  if (text[at] == '-' || text[at] == '+') negative = text[at++] == '-';
  int64_t value = 0;
  bool parsed;
  if (text.compare(at, 1, "$") == 0) parsed = ParseHex(text, at + 1, value);
  else if (text.compare(at, 2, "0x") == 0 || text.compare(at, 2, "0X") == 0)
    parsed = ParseHex(text, at + 2, value);
  else parsed = ParseDecimal(text, at, value);
  if (!parsed) return false;
  if (negative) value = -value;
  if (value < INT32_MIN || value > INT32_MAX) return false;
  index = static_cast<int>(value);
  return true;
}

std::string WithoutEnclosingQuotes(const std::string& text) {
  std::string result = text;
  if (result.starts_with('"')) result.erase(0, 1);
  if (result.ends_with('"')) result.pop_back();
  return result;
}

std::string BrowserProgramOf(const std::string& commandLine) {
  std::string lowered = commandLine;
  platform::LowerAnsi(lowered);
  const size_t found = lowered.find(".exe");
  if (found == std::string::npos) return {};
  std::string program = commandLine.substr(0, found + 4);
  if (program.starts_with('"')) program.erase(0, 1);
  return program;
}
