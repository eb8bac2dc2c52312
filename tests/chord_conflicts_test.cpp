#include <gtest/gtest.h>

#include "engine/chord_conflicts.h"
#include "tests/key_events.h"

namespace {

const TestKey kSpace{0x39, false, 0x20};
const TestKey kNumpadSlash{0x35, true, 0x6F};
const TestKey kF1{0x3B, false, 0x70};

TChordAssignment Chord(std::initializer_list<TestKey> keys, bool repeat = false) {
  TChord chord;
  for (const TestKey& key : keys) chord.push_back(CodeOf(key));
  return {ChordText(chord), repeat, {}};
}

TChordNoteKind KindOf(const TChordNote& note) { return note.kind; }

TChordAssignment ScopedChord(std::initializer_list<TestKey> keys, TScopeKind kind, TTextList programs) {
  TChordAssignment assignment = Chord(keys);
  assignment.scope = {kind, std::move(programs), ""};
  return assignment;
}

// Assignments stand in each other's way only in programs both are for.
TEST(ChordNotes, ScopesDecideWhereChordsMeet) {
  using enum TScopeKind;
  const auto notes = ChordNotes({
      ScopedChord({kLeftCtrl, kKeyX}, kOnly, {"notepad.exe"}),
      ScopedChord({kLeftCtrl, kKeyX}, kExcept, {"NOTEPAD", "calc.exe"}),  // still fires elsewhere
      ScopedChord({kLeftCtrl, kKeyX}, kOnly, {"mspaint.exe", "calc"}),    // calc is left to it
      Chord({kLeftCtrl, kKeyX}),                                          // nothing is left
      ScopedChord({kLeftAlt}, kOnly, {"notepad.exe"}),
      Chord({kLeftAlt, kKeyY}),                                           // fires outside notepad
      ScopedChord({kLeftAlt, kKeyZ}, kOnly, {"Notepad.exe"}),             // never fires
      ScopedChord({kLeftAlt, kKeyA}, kExcept, {"notepad.exe"}),           // never meets Alt
  });
  std::vector<TChordNoteKind> kinds;
  for (const TChordNote& note : notes) kinds.push_back(note.kind);
  const auto none = TChordNoteKind::kNone;
  EXPECT_EQ(kinds, (std::vector<TChordNoteKind>{none, none, none, TChordNoteKind::kSameChord,
                                                TChordNoteKind::kBeginsOthers, none,
                                                TChordNoteKind::kShadowedByShorter, none}));
  EXPECT_EQ(notes[3].other, 0);
  EXPECT_EQ(notes[6].other, 4);
  EXPECT_EQ(notes[4].other, 5);
  EXPECT_EQ(notes[4].otherCount, 2);
  // The edited chord takes its own scope along.
  const std::vector<TChordAssignment> list = {ScopedChord({kLeftCtrl, kKeyX}, kOnly, {"a.exe"})};
  const TChord ctrlX = {CodeOf(kLeftCtrl), CodeOf(kKeyX)};
  EXPECT_EQ(KindOf(EditedChordNote(list, ctrlX, false, -1, {kOnly, {"A"}, ""})), TChordNoteKind::kSameChord);
  EXPECT_EQ(KindOf(EditedChordNote(list, ctrlX, false, -1, {kOnly, {"b"}, ""})), none);
}

TEST(ChordNotes, SameChordRunsOnlyTheFirst) {
  const auto notes = ChordNotes({Chord({kLeftCtrl, kKeyX}), Chord({kLeftCtrl, kKeyY}),
                                 Chord({kLeftCtrl, kKeyX}, true)});
  EXPECT_EQ(KindOf(notes[0]), TChordNoteKind::kNone);
  EXPECT_EQ(KindOf(notes[2]), TChordNoteKind::kSameChord);
  EXPECT_EQ(notes[2].other, 0);
  EXPECT_FALSE(notes[2].CanFire());
  EXPECT_TRUE(notes[0].CanFire());
}

// The shorter chord fires as soon as its keys are held, wherever it stands in the list.
TEST(ChordNotes, ShorterChordShadowsLongerOnesUnlessItRepeats) {
  std::vector<TChordAssignment> list = {Chord({kLeftCtrl, kKeyX, kKeyY}), Chord({kLeftCtrl, kKeyX}),
                                        Chord({kLeftCtrl, kKeyX, kKeyZ})};
  auto notes = ChordNotes(list);
  EXPECT_EQ(KindOf(notes[0]), TChordNoteKind::kShadowedByShorter);
  EXPECT_EQ(notes[0].other, 1);
  EXPECT_FALSE(notes[0].CanFire());
  EXPECT_EQ(KindOf(notes[1]), TChordNoteKind::kBeginsOthers);
  EXPECT_EQ(notes[1].other, 0);
  EXPECT_EQ(notes[1].otherCount, 2);

  list[1].repeat = true;
  notes = ChordNotes(list);
  EXPECT_EQ(KindOf(notes[0]), TChordNoteKind::kNone);
  EXPECT_TRUE(notes[2].CanFire());
  EXPECT_EQ(KindOf(notes[1]), TChordNoteKind::kBeginsOthers);  // it still fires first
}

// A repeating chord lets the next one through, and that one may end the rest.
TEST(ChordNotes, NonRepeatingChordOnTheWayEndsLongerOnes) {
  const auto notes = ChordNotes({Chord({kLeftCtrl}, true), Chord({kLeftCtrl, kKeyX}),
                                 Chord({kLeftCtrl, kKeyX, kKeyY}), Chord({})});
  EXPECT_EQ(notes[2].other, 1);
  EXPECT_EQ(KindOf(notes[2]), TChordNoteKind::kShadowedByShorter);
  EXPECT_EQ(notes[0].otherCount, 1);  // only Ctrl+X can follow it
  EXPECT_EQ(notes[1].otherCount, 1);
  EXPECT_EQ(KindOf(notes[3]), TChordNoteKind::kNoKeys);
  EXPECT_FALSE(notes[3].CanFire());
}

TEST(ChordNotes, FirstKeyThatTypesACharacterIsNoted) {
  const auto notes = ChordNotes({Chord({kKeyA, kKeyB}), Chord({kLeftCtrl, kKeyA}), Chord({kSpace, kKeyX}),
                                 Chord({kNumpadSlash, kKeyX}), Chord({kRightCtrl, kKeyX}), Chord({kF1, kKeyX})});
  std::vector<TChordNoteKind> kinds;
  for (const TChordNote& note : notes) kinds.push_back(note.kind);
  const auto typing = TChordNoteKind::kTypingFirstKey, none = TChordNoteKind::kNone;
  EXPECT_EQ(kinds, (std::vector<TChordNoteKind>{typing, none, typing, typing, none, none}));
  EXPECT_TRUE(notes[0].CanFire());
}

// Sequences meet sequences as chords meet chords (a shorter one fires first, whatever its
// repeat flag), meet no chord of the same keys, and never begin where a chord of their first key
// alone fires at its press. A typing first key is no note: the leader types nothing.
TEST(ChordNotes, SequencesMeetSequencesAndAChordOfTheirFirstKey) {
  auto sequence = [](std::initializer_list<TestKey> keys, bool repeat = false) {
    TChordAssignment assignment = Chord(keys, repeat);
    assignment.sequence = true;
    return assignment;
  };
  const auto notes = ChordNotes({
      sequence({kKeyA, kKeyX}, /*repeat=*/true),
      sequence({kKeyA, kKeyX, kKeyY}),  // the shorter one ends it
      Chord({kKeyA, kKeyX}),            // held, not tapped: both fire
      sequence({kF1, kKeyX}),
      Chord({kF1}, /*repeat=*/true),    // fires at the press: the sequence never begins
      sequence({kKeyB, kKeyX}),
  });
  std::vector<TChordNoteKind> kinds;
  for (const TChordNote& note : notes) kinds.push_back(note.kind);
  using enum TChordNoteKind;
  EXPECT_EQ(kinds, (std::vector<TChordNoteKind>{kBeginsOthers, kShadowedByShorter, kTypingFirstKey,
                                                kShadowedByShorter, kNone, kNone}));
  EXPECT_EQ(notes[1].other, 0);
  EXPECT_EQ(notes[3].other, 4);
  EXPECT_EQ(EditedChordNote({Chord({kF1})}, {CodeOf(kF1), CodeOf(kKeyB)}, false, -1, {}, true).other, 0);
}

TEST(ChordNotes, EditedChordTakesTheSelectedRowsPlaceOrComesLast) {
  TChord ctrlX = {CodeOf(kLeftCtrl), CodeOf(kKeyX)};
  const std::vector<TChordAssignment> list = {Chord({kLeftCtrl, kKeyY}), Chord({kLeftCtrl, kKeyX})};
  EXPECT_EQ(KindOf(EditedChordNote(list, ctrlX, false, -1)), TChordNoteKind::kSameChord);
  EXPECT_EQ(KindOf(EditedChordNote(list, ctrlX, false, 1)), TChordNoteKind::kNone);
  const TChordNote replacing = EditedChordNote(list, ctrlX, false, 0);
  EXPECT_EQ(KindOf(replacing), TChordNoteKind::kNone);  // the other Ctrl+X comes after it
  EXPECT_EQ(KindOf(ChordNotes({Chord({kLeftCtrl, kKeyX}), list[1]})[1]), TChordNoteKind::kSameChord);
}

TEST(ChordNotes, TextNamesTheOtherAssignmentAndWhatHappens) {
  EXPECT_EQ(ChordNoteText({TChordNoteKind::kNone, -1, 0}, "", false), "");
  const std::string same = ChordNoteText({TChordNoteKind::kSameChord, 0, 0}, "メモ帳", false);
  EXPECT_NE(same.find("「メモ帳」"), std::string::npos) << same;
  const TChordNote begins{TChordNoteKind::kBeginsOthers, 2, 3};
  const std::string ends = ChordNoteText(begins, "電卓", false);
  EXPECT_NE(ends.find("「電卓」ほか2件"), std::string::npos) << ends;
  EXPECT_NE(ends, ChordNoteText(begins, "電卓", true));  // repeating, the others can still run
}

}  // namespace
