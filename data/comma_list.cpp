#include "data/comma_list.h"

#include "data/platform.h"

namespace {

bool IsBlankOrControl(unsigned char byte) { return byte <= 0x20; }

// Length of the character at `pos`: 2 for a double-byte character, 1 otherwise (also for a
// lead byte that ends the text, which is never read past).
size_t CharLength(std::string_view text, size_t pos) {
  return platform::IsLeadByte(static_cast<unsigned char>(text[pos])) && pos + 1 < text.size()
             ? 2
             : 1;
}

bool NeedsQuotes(std::string_view item) {
  for (size_t pos = 0; pos < item.size(); pos += CharLength(item, pos)) {
    unsigned char byte = static_cast<unsigned char>(item[pos]);
    if (IsBlankOrControl(byte) || byte == '"' || byte == ',') return true;
  }
  return false;
}

void AppendQuoted(std::string& out, std::string_view item) {
  out += '"';
  for (size_t pos = 0; pos < item.size();) {
    size_t length = CharLength(item, pos);
    if (length == 1 && item[pos] == '"') out += '"';
    out.append(item.substr(pos, length));
    pos += length;
  }
  out += '"';
}

void SkipBlanks(std::string_view text, size_t& pos) {
  while (pos < text.size() && IsBlankOrControl(static_cast<unsigned char>(text[pos]))) ++pos;
}

// A quoted item from the opening quote at `pos`; an unclosed quote reads to the end. Runs
// between quotes are copied whole.
std::string ReadQuoted(std::string_view text, size_t& pos) {
  std::string item;
  size_t runStart = ++pos;
  while (pos < text.size()) {
    size_t length = CharLength(text, pos);
    if (length == 1 && text[pos] == '"') {
      item.append(text.substr(runStart, pos - runStart));
      ++pos;
      if (pos >= text.size() || text[pos] != '"') return item;
      runStart = pos++;  // the second quote of a pair stands for one quote
      continue;
    }
    pos += length;
  }
  item.append(text.substr(runStart));
  return item;
}

std::string ReadBare(std::string_view text, size_t& pos) {
  size_t start = pos;
  while (pos < text.size()) {
    unsigned char byte = static_cast<unsigned char>(text[pos]);
    if (IsBlankOrControl(byte) || byte == ',') break;
    pos += CharLength(text, pos);
  }
  return std::string(text.substr(start, pos - start));
}

}  // namespace

std::string EncodeCommaList(const TTextList& items) {
  if (items.size() == 1 && items[0].empty()) return "\"\"";
  std::string line;
  for (size_t i = 0; i < items.size(); ++i) {
    if (i > 0) line += ',';
    if (NeedsQuotes(items[i])) AppendQuoted(line, items[i]);
    else line += items[i];
  }
  return line;
}

TTextList DecodeCommaList(std::string_view line) {
  size_t nul = line.find('\0');
  if (nul != std::string_view::npos) line = line.substr(0, nul);

  TTextList items;
  size_t pos = 0;
  SkipBlanks(line, pos);
  while (pos < line.size()) {
    items.push_back(line[pos] == '"' ? ReadQuoted(line, pos) : ReadBare(line, pos));
    SkipBlanks(line, pos);
    if (pos < line.size() && line[pos] == ',') {
      if (pos + 1 == line.size()) items.emplace_back();
      ++pos;
      SkipBlanks(line, pos);
    }
  }
  return items;
}
