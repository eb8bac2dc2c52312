#include "ui/output_keys.h"

#include <algorithm>

#include "data/output_text.h"

bool TOutputKeys::Load(const std::string& arguments) {
  Clear();
  if (ParseKeyChords(arguments, chords_)) return true;
  unread_ = arguments;
  return false;
}

void TOutputKeys::Clear() {
  chords_.clear();
  held_.clear();
  unread_.clear();
}

bool TOutputKeys::Press(const std::string& keyCode) {
  if (std::find(held_.begin(), held_.end(), keyCode) != held_.end()) return false;
  if (!unread_.empty()) Clear();  // the first key recorded replaces text that is not codes
  if (held_.empty() || chords_.empty()) chords_.emplace_back();
  held_.push_back(keyCode);
  TChord& chord = chords_.back();
  if (std::find(chord.begin(), chord.end(), keyCode) != chord.end()) return false;
  chord.push_back(keyCode);
  return true;
}

void TOutputKeys::Release(const std::string& keyCode) { std::erase(held_, keyCode); }

std::string TOutputKeys::Arguments() const {
  return unread_.empty() ? KeyChordsText(chords_) : unread_;
}

std::string TOutputKeys::DisplayText(
    const std::function<std::string(const std::string&)>& nameOf) const {
  if (!unread_.empty()) return unread_;
  std::string text;
  for (const TChord& chord : chords_) {
    if (!text.empty()) text += ", ";
    for (size_t at = 0; at < chord.size(); ++at) {
      if (at > 0) text += '+';
      text += nameOf(chord[at]);
    }
  }
  return text;
}
