#include "engine/chord_conflicts.h"

#include <set>
#include <string_view>
#include <unordered_map>
#include <utility>

#include "data/key_manager.h"
#include "engine/program_match.h"

namespace {

// The assignments of each chord text, in list order.
using TByChord = std::unordered_map<std::string_view, std::vector<size_t>>;

TByChord GroupByChord(const std::vector<TChordAssignment>& assignments) {
  TByChord groups;
  for (size_t index = 0; index < assignments.size(); ++index)
    if (!assignments[index].keysText.empty()) groups[assignments[index].keysText].push_back(index);
  return groups;
}

// The chord texts of the chord's first one, two, ... keys, without the whole chord.
std::vector<std::string_view> ProperBeginnings(std::string_view keysText) {
  std::vector<std::string_view> beginnings;
  for (size_t end = keysText.find('\n'); end != std::string_view::npos && end + 1 < keysText.size();
       end = keysText.find('\n', end + 1))
    beginnings.push_back(keysText.substr(0, end + 1));
  return beginnings;
}

std::string FirstKeyCode(std::string_view keysText) {
  return std::string(keysText.substr(0, keysText.find('\r')));
}

// How the list's chords meet, program by program: matching runs the first assignment of a
// chord that admits the program, and a non-repeating one latches, ending longer chords.
class TChordMeeting {
 public:
  explicit TChordMeeting(const std::vector<TChordAssignment>& assignments)
      : assignments_(assignments), groups_(GroupByChord(assignments)),
        runs_(assignments.size(), TProgramSet::None()),
        fires_(assignments.size(), TProgramSet::None()),
        shadowing_(assignments.size(), -1) {
    for (const auto& group : groups_) FindRuns(group.second);
    for (size_t index = 0; index < assignments.size(); ++index) FindFiring(index);
  }

  // The programs in which the assignment runs when its chord is held.
  const TProgramSet& Runs(size_t index) const { return runs_[index]; }
  // ... and in which its chord is ever held: no shorter one latches on the way.
  const TProgramSet& Fires(size_t index) const { return fires_[index]; }
  // The first shorter assignment that latches on the way, where it does.
  int Shadowing(size_t index) const { return shadowing_[index]; }
  // The first earlier assignment of the same chord that shares a program with this one.
  int EarlierSameChord(size_t index) const {
    const TProgramSet scope = TProgramSet::Of(assignments_[index].scope);
    for (size_t other : Group(assignments_[index].keysText)) {
      if (other >= index) break;
      if (TProgramSet::Of(assignments_[other].scope).Overlaps(scope)) return static_cast<int>(other);
    }
    return -1;
  }
  const std::vector<size_t>& Group(std::string_view keysText) const {
    static const std::vector<size_t> kNone;
    const auto found = groups_.find(keysText);
    return found == groups_.end() ? kNone : found->second;
  }

 private:
  void FindRuns(const std::vector<size_t>& group) {
    TProgramSet claimed = TProgramSet::None();
    for (size_t index : group) {
      const TProgramSet scope = TProgramSet::Of(assignments_[index].scope);
      runs_[index] = scope.Minus(claimed);
      claimed = claimed.Union(scope);
    }
  }

  void FindFiring(size_t index) {
    TProgramSet fires = runs_[index];
    for (std::string_view beginning : ProperBeginnings(assignments_[index].keysText)) {
      for (size_t shorter : Group(beginning)) {
        if (assignments_[shorter].repeat || !runs_[shorter].Overlaps(fires)) continue;
        if (shadowing_[index] < 0) shadowing_[index] = static_cast<int>(shorter);
        fires = fires.Minus(runs_[shorter]);
      }
    }
    fires_[index] = fires;
  }

  const std::vector<TChordAssignment>& assignments_;
  TByChord groups_;
  std::vector<TProgramSet> runs_, fires_;
  std::vector<int> shadowing_;
};

// Sequences meet only sequences, as chords meet chords: their texts begin with a mark no key code
// has. Every sequence ends at its last key, as a chord that does not repeat.
const char kSequenceMark[] = "sequence\r\n";

std::vector<TChordAssignment> WithSequencesApart(const std::vector<TChordAssignment>& assignments) {
  std::vector<TChordAssignment> apart = assignments;
  for (TChordAssignment& assignment : apart) {
    if (!assignment.sequence || assignment.keysText.empty()) continue;
    assignment.keysText.insert(0, kSequenceMark);
    assignment.repeat = false;
  }
  return apart;
}

// A chord of a sequence's first key alone fires at its press, so the sequence never begins.
int ChordOfFirstKey(const TChordMeeting& meeting, const TChordAssignment& sequence, size_t index) {
  const std::string_view steps = std::string_view(sequence.keysText).substr(sizeof kSequenceMark - 1);
  const std::string first = FirstKeyCode(steps) + "\r\n";
  for (size_t chord : meeting.Group(first))
    if (meeting.Runs(chord).Overlaps(meeting.Runs(index))) return static_cast<int>(chord);
  return -1;
}

}  // namespace

std::vector<TChordAssignment> ChordAssignments(const TKeyManager& keys) {
  std::vector<TChordAssignment> assignments;
  assignments.reserve(static_cast<size_t>(keys.Count()));
  for (int index = 0; index < keys.Count(); ++index) {
    const TKeyInfo* info = keys.Get(index);
    assignments.push_back(info ? TChordAssignment{info->KeysText(), info->Repeat(), info->Scope(), info->IsSequence()}
                               : TChordAssignment{});
  }
  return assignments;
}

std::vector<TChordNote> ChordNotes(const std::vector<TChordAssignment>& listed) {
  const std::vector<TChordAssignment> assignments = WithSequencesApart(listed);
  const TChordMeeting meeting(assignments);
  std::vector<TChordNote> notes(assignments.size());
  // A chord that begins others counts each distinct one that it lets through (in a program
  // where that one fires) or ends itself (in a program no shorter chord on the way ends first).
  std::set<std::pair<size_t, std::string_view>> counted;
  for (size_t index = 0; index < assignments.size(); ++index) {
    const std::string& text = assignments[index].keysText;
    TProgramSet reach = meeting.Runs(index);
    for (std::string_view beginning : ProperBeginnings(text)) {
      if (reach.Empty()) break;
      TProgramSet latched = TProgramSet::None();
      for (size_t shorter : meeting.Group(beginning)) {
        const TProgramSet& runs = meeting.Runs(shorter);
        const bool ends = !assignments[shorter].repeat && runs.Overlaps(reach);
        if (ends) latched = latched.Union(runs);
        if (!ends && !runs.Overlaps(meeting.Fires(index))) continue;
        if (!counted.emplace(shorter, text).second) continue;
        TChordNote& note = notes[shorter];
        if (note.otherCount++ == 0) note.other = static_cast<int>(index);
      }
      reach = reach.Minus(latched);
    }
  }
  for (size_t index = 0; index < assignments.size(); ++index) {
    TChordNote& note = notes[index];
    const std::string& text = assignments[index].keysText;
    if (text.empty()) note = {TChordNoteKind::kNoKeys, -1, 0};
    else if (meeting.Runs(index).Empty()) note = {TChordNoteKind::kSameChord, meeting.EarlierSameChord(index), 0};
    else if (meeting.Fires(index).Empty()) note = {TChordNoteKind::kShadowedByShorter, meeting.Shadowing(index), 0};
    else if (const int chord = assignments[index].sequence ? ChordOfFirstKey(meeting, assignments[index], index) : -1;
             chord >= 0)
      note = {TChordNoteKind::kShadowedByShorter, chord, 0};
    else if (note.otherCount > 0) note.kind = TChordNoteKind::kBeginsOthers;
    else if (TypesCharacter(FirstKeyCode(text))) note = {TChordNoteKind::kTypingFirstKey, -1, 0};
    else note = {};
  }
  return notes;
}

TChordNote EditedChordNote(std::vector<TChordAssignment> assignments, const TChord& keys,
                           bool repeat, int row, const TProgramScope& scope, bool sequence) {
  TChordAssignment edited{ChordText(keys), repeat, scope, sequence && keys.size() >= 2};
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
