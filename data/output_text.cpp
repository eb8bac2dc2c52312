#include "data/output_text.h"

#include <algorithm>

#include "data/platform.h"

std::string UnescapeTypedText(std::string_view text) {
  std::string typed;
  typed.reserve(text.size());
  for (size_t at = 0; at < text.size(); ++at) {
    const char byte = text[at];
    if (platform::IsLeadByte(static_cast<unsigned char>(byte)) && at + 1 < text.size()) {
      typed += byte;
      typed += text[++at];
      continue;
    }
    if (byte != '\\' || at + 1 == text.size()) {
      typed += byte;
      continue;
    }
    switch (text[at + 1]) {
      case 'n': typed += '\n'; ++at; break;
      case 't': typed += '\t'; ++at; break;
      case '\\': typed += '\\'; ++at; break;
      default: typed += '\\'; break;
    }
  }
  return typed;
}

namespace {

bool IsKeyCode(std::string_view code) {
  return code.size() == 6 && std::all_of(code.begin(), code.end(), [](char c) { return c >= '0' && c <= '9'; });
}

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

bool ParseChord(std::string_view word, TChord& chord) {
  size_t start = 0;
  for (;;) {
    const size_t comma = word.find(',', start);
    const std::string_view code = word.substr(start, comma == std::string_view::npos ? std::string_view::npos : comma - start);
    if (!IsKeyCode(code) || !AddDistinctKey(chord, std::string(code))) return false;
    if (comma == std::string_view::npos) return true;
    start = comma + 1;
  }
}

}  // namespace

bool ParseKeyChords(std::string_view text, std::vector<TChord>& chords) {
  chords.clear();
  size_t at = 0;
  while (at < text.size()) {
    if (IsBlank(text[at])) {
      ++at;
      continue;
    }
    size_t end = at;
    while (end < text.size() && !IsBlank(text[end])) ++end;
    TChord chord;
    if (!ParseChord(text.substr(at, end - at), chord)) {
      chords.clear();
      return false;
    }
    chords.push_back(std::move(chord));
    at = end;
  }
  return true;
}

std::string KeyChordsText(const std::vector<TChord>& chords) {
  std::string text;
  for (const TChord& chord : chords) {
    if (!text.empty()) text += ' ';
    for (size_t at = 0; at < chord.size(); ++at) {
      if (at > 0) text += ',';
      text += chord[at];
    }
  }
  return text;
}
