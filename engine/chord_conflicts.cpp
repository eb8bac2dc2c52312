#include "engine/chord_conflicts.h"

#include <string_view>
#include <unordered_map>

#include "data/key_manager.h"

namespace {

using TFirstByChord = std::unordered_map<std::string_view, int>;

// Matching runs the first assignment whose chord equals the held one, so only that one counts.
TFirstByChord FirstOfEachChord(const std::vector<TChordAssignment>& assignments) {
  TFirstByChord first;
  for (size_t index = 0; index < assignments.size(); ++index)
    if (!assignments[index].keysText.empty())
      first.emplace(assignments[index].keysText, static_cast<int>(index));
  return first;
}

// The chord texts of the chord's first one, two, ... keys, without the whole chord.
std::vector<std::string_view> ProperBeginnings(std::string_view keysText) {
  std::vector<std::string_view> beginnings;
  for (size_t end = keysText.find('\n'); end != std::string_view::npos && end + 1 < keysText.size();
       end = keysText.find('\n', end + 1))
    beginnings.push_back(keysText.substr(0, end + 1));
  return beginnings;
}

int FirstWith(const TFirstByChord& first, std::string_view keysText) {
  const auto found = first.find(keysText);
  return found == first.end() ? -1 : found->second;
}

// The assignment that fires on the way to this chord and latches, ending the chord: the
// shortest beginning whose first assignment does not repeat.
int ShadowingShorter(const std::vector<TChordAssignment>& assignments, const TFirstByChord& first,
                     std::string_view keysText) {
  for (std::string_view beginning : ProperBeginnings(keysText)) {
    const int shorter = FirstWith(first, beginning);
    if (shorter >= 0 && !assignments[static_cast<size_t>(shorter)].repeat) return shorter;
  }
  return -1;
}

std::string FirstKeyCode(std::string_view keysText) {
  return std::string(keysText.substr(0, keysText.find('\r')));
}

}  // namespace

std::vector<TChordAssignment> ChordAssignments(const TKeyManager& keys) {
  std::vector<TChordAssignment> assignments;
  assignments.reserve(static_cast<size_t>(keys.Count()));
  for (int index = 0; index < keys.Count(); ++index) {
    const TKeyInfo* info = keys.Get(index);
    assignments.push_back(info ? TChordAssignment{info->KeysText(), info->Repeat()} : TChordAssignment{});
  }
  return assignments;
}

std::vector<TChordNote> ChordNotes(const std::vector<TChordAssignment>& assignments) {
  const TFirstByChord first = FirstOfEachChord(assignments);
  std::vector<TChordNote> notes(assignments.size());
  std::vector<int> shadowing(assignments.size(), -1);
  for (size_t index = 0; index < assignments.size(); ++index)
    shadowing[index] = ShadowingShorter(assignments, first, assignments[index].keysText);
  // A chord that begins others counts each distinct one that it lets through or ends itself.
  for (size_t index = 0; index < assignments.size(); ++index) {
    const std::string& text = assignments[index].keysText;
    if (text.empty() || FirstWith(first, text) != static_cast<int>(index)) continue;
    for (std::string_view beginning : ProperBeginnings(text)) {
      const int shorter = FirstWith(first, beginning);
      if (shorter < 0 || (shadowing[index] >= 0 && shadowing[index] != shorter)) continue;
      TChordNote& note = notes[static_cast<size_t>(shorter)];
      if (note.otherCount++ == 0) note.other = static_cast<int>(index);
    }
  }
  for (size_t index = 0; index < assignments.size(); ++index) {
    TChordNote& note = notes[index];
    const std::string& text = assignments[index].keysText;
    const int sameChord = FirstWith(first, text);
    if (text.empty()) note = {TChordNoteKind::kNoKeys, -1, 0};
    else if (sameChord != static_cast<int>(index)) note = {TChordNoteKind::kSameChord, sameChord, 0};
    else if (shadowing[index] >= 0) note = {TChordNoteKind::kShadowedByShorter, shadowing[index], 0};
    else if (note.otherCount > 0) note.kind = TChordNoteKind::kBeginsOthers;
    else if (TypesCharacter(FirstKeyCode(text))) note = {TChordNoteKind::kTypingFirstKey, -1, 0};
    else note = {};
  }
  return notes;
}

TChordNote EditedChordNote(std::vector<TChordAssignment> assignments, const TChord& keys,
                           bool repeat, int row) {
  TChordAssignment edited{ChordText(keys), repeat};
  size_t at = assignments.size();
  if (row >= 0 && static_cast<size_t>(row) < assignments.size()) at = static_cast<size_t>(row);
  if (at == assignments.size()) assignments.push_back(std::move(edited));
  else assignments[at] = std::move(edited);
  return ChordNotes(assignments)[at];
}

// Scan codes (without the extended flag) of the keys that type on a Japanese or US keyboard:
// the digit row, the three letter rows with their symbols, space, the two yen and backslash
// keys and the number pad; the number pad's "/" is the extended 53.
bool TypesCharacter(const std::string& keyCode) {
  if (keyCode.size() != 6) return false;
  const uint32_t flags = FlagsFromKeyCode(keyCode);
  const uint32_t scan = (flags >> 16) & 0xFF;
  if (IsExtendedFlags(flags)) return scan == 0x35;
  return (scan >= 0x02 && scan <= 0x0D) || (scan >= 0x10 && scan <= 0x1B) ||
         (scan >= 0x1E && scan <= 0x28) || (scan >= 0x2B && scan <= 0x35) || scan == 0x37 ||
         scan == 0x39 || (scan >= 0x47 && scan <= 0x53) || scan == 0x73 || scan == 0x7D;
}

namespace {

std::string Quoted(const std::string& name) { return "「" + name + "」"; }

std::string OthersText(const TChordNote& note, const std::string& otherName) {
  std::string text = Quoted(otherName);
  if (note.otherCount > 1) text += "ほか" + std::to_string(note.otherCount - 1) + "件";
  return text;
}

}  // namespace

std::string ChordNoteText(const TChordNote& note, const std::string& otherName, bool repeats) {
  switch (note.kind) {
    case TChordNoteKind::kNone: return {};
    case TChordNoteKind::kNoKeys: return "キーがないため、実行されません。";
    case TChordNoteKind::kSameChord:
      return "同じキーの" + Quoted(otherName) + "が先にあるため、実行されません。";
    case TChordNoteKind::kShadowedByShorter:
      return "途中で" + Quoted(otherName) + "が実行されるため、実行されません。";
    case TChordNoteKind::kBeginsOthers:
      if (repeats)
        return "こちらが先に実行され、続けて押すと" + OthersText(note, otherName) + "も実行されます。";
      return "こちらが先に実行されるため、" + OthersText(note, otherName) + "は実行されません。";
    case TChordNoteKind::kTypingFirstKey:
      return "最初のキーの文字はそのまま入力され、続けて打つ文字はキーが決まるまで届きません。";
  }
  return {};
}
