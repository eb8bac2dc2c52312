// Whether each assignment's chord can fire, and what stands in its way, decided from the list
// alone by the rules the dispatcher matches with. No window here.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "data/chord.h"
#include "data/program_scope.h"

class TKeyManager;

enum class TChordNoteKind : uint8_t {
  kNone,
  kNoKeys,             // an empty chord never fires
  kSameChord,          // an earlier assignment has the same chord and runs instead
  kShadowedByShorter,  // a non-repeating assignment fires on the way, so this one never can
  kBeginsOthers,       // this chord is the beginning of others: it fires before they can
  kTypingFirstKey,     // the first key types a character, which the application gets at once
};

struct TChordNote {
  TChordNoteKind kind = TChordNoteKind::kNone;
  int other = -1;      // the assignment that fires instead, or the first one this chord begins
  int otherCount = 0;  // kBeginsOthers: how many chords this one begins
  bool CanFire() const {
    return kind != TChordNoteKind::kNoKeys && kind != TChordNoteKind::kSameChord &&
           kind != TChordNoteKind::kShadowedByShorter;
  }
};

struct TChordAssignment {
  std::string keysText;  // the chord text
  bool repeat = false;
  TProgramScope scope;   // an assignment stands in another's way only in programs both admit
  bool sequence = false; // keys tapped one after another: meets other sequences, and a chord
                         // of its first key alone
};

// The assignments of the list, in its order.
std::vector<TChordAssignment> ChordAssignments(const TKeyManager& keys);

// The first note of every assignment, in list order: the chord's own reason not to fire first,
// then what it does to others, then how its first key types.
std::vector<TChordNote> ChordNotes(const std::vector<TChordAssignment>& assignments);

// The note of a chord being edited: it takes row `row` of the list, or is added after the last
// when `row` is -1.
TChordNote EditedChordNote(std::vector<TChordAssignment> assignments, const TChord& keys,
                           bool repeat, int row, const TProgramScope& scope = {}, bool sequence = false);

// Whether the key types a character when pressed alone: a letter, digit, symbol, space or
// number-pad key.
bool TypesCharacter(const std::string& keyCode);

// The note in words for the page; `otherName` names the other assignment, `repeats` says whether
// the noted one repeats while held. Empty for kNone.
std::string ChordNoteText(const TChordNote& note, const std::string& otherName, bool repeats);
