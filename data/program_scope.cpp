#include "data/program_scope.h"

#include "data/platform.h"

namespace {

const char kOnlyWord[] = "only";
const char kExceptWord[] = "except";

bool IsSeparator(unsigned char byte) { return byte == '\\' || byte == '/' || byte == ':'; }

// Just past the last separator, stepping over double-byte characters whole so that a 0x5C
// trail byte is never taken for a backslash.
size_t FileNameStart(std::string_view path) {
  size_t start = 0;
  for (size_t i = 0; i < path.size(); ++i) {
    const unsigned char byte = static_cast<unsigned char>(path[i]);
    if (platform::IsLeadByte(byte)) ++i;
    else if (IsSeparator(byte)) start = i + 1;
  }
  return start;
}

bool IsBlank(char byte) { return static_cast<unsigned char>(byte) <= 0x20; }

std::string_view Trimmed(std::string_view text) {
  while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
  return text;
}

TProgramScope UnreadScope(std::string_view item) {
  TProgramScope scope;
  scope.unreadItem = std::string(item);
  return scope;
}

}  // namespace

std::string EncodeProgramScope(const TProgramScope& scope) {
  if (!scope.unreadItem.empty()) return scope.unreadItem;
  if (scope.IsAll()) return {};
  TTextList items;
  items.reserve(scope.programs.size() + 1);
  items.emplace_back(scope.kind == TScopeKind::kOnly ? kOnlyWord : kExceptWord);
  items.insert(items.end(), scope.programs.begin(), scope.programs.end());
  return EncodeCommaList(items);
}

TProgramScope DecodeProgramScope(std::string_view item) {
  if (item.empty()) return {};
  TTextList items = DecodeCommaList(item);
  if (items.size() < 2) return UnreadScope(item);
  TProgramScope scope;
  if (items[0] == kOnlyWord) scope.kind = TScopeKind::kOnly;
  else if (items[0] == kExceptWord) scope.kind = TScopeKind::kExcept;
  else return UnreadScope(item);
  for (size_t index = 1; index < items.size(); ++index)
    if (!IsProgramFileName(items[index])) return UnreadScope(item);
  scope.programs.assign(items.begin() + 1, items.end());
  return scope;
}

bool IsProgramFileName(std::string_view name) {
  return !Trimmed(name).empty() && FileNameStart(name) == 0 &&
         name.find('\0') == std::string_view::npos;
}

std::string ProgramFileNameOf(std::string_view path) {
  return std::string(path.substr(FileNameStart(path)));
}

bool ParseTypedProgramList(std::string_view text, TTextList& names) {
  names.clear();
  bool wellFormed = true;
  for (;;) {
    const size_t comma = text.find(',');
    const std::string_view name = Trimmed(text.substr(0, comma));
    wellFormed = wellFormed && IsProgramFileName(name);
    names.emplace_back(name);
    if (comma == std::string_view::npos) break;
    text.remove_prefix(comma + 1);
  }
  return wellFormed;
}

std::string TypedProgramList(const TTextList& names) {
  std::string text;
  for (const std::string& name : names) {
    if (!text.empty()) text += ", ";
    text += name;
  }
  return text;
}
