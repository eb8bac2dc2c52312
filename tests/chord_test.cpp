#include <gtest/gtest.h>

#include "data/chord.h"

namespace {

const uint32_t kLeftCtrl = 0x1Du << 16;
const uint32_t kRightCtrl = (1u << 24) | (0x1Du << 16);
const uint32_t kKeyA = 0x1Eu << 16;

TEST(KeyCode, TakesExtendedFlagAndScanCodeOnly) {
  EXPECT_EQ(KeyCodeFromFlags(kLeftCtrl), "000029");
  EXPECT_EQ(KeyCodeFromFlags(kRightCtrl), "001029");
  EXPECT_EQ(KeyCodeFromFlags(kKeyA), "000030");
  // Repeat count, context, previous-state and transition bits are not part of a key's identity.
  EXPECT_EQ(KeyCodeFromFlags(kKeyA | 0xC0000001u | (1u << 29)), "000030");
  EXPECT_EQ(KeyCodeFromFlags(0x00FF0000u), "000255");
}

TEST(KeyCode, FlagsRebuiltFromDigits) {
  EXPECT_EQ(FlagsFromKeyCode("001029"), kRightCtrl);
  EXPECT_EQ(FlagsFromKeyCode("000030"), kKeyA);
  // A group that is not a number keeps what was built before it.
  EXPECT_EQ(FlagsFromKeyCode("001x29"), 1u << 24);
  EXPECT_EQ(FlagsFromKeyCode("ab0030"), 30u << 16);
  EXPECT_EQ(FlagsFromKeyCode(""), 0u);
  EXPECT_EQ(FlagsFromKeyCode("00"), 0u);
}

TEST(TChord, TextIsEachCodeWithCrLf) {
  EXPECT_EQ(ChordText({"000029", "000030"}), "000029\r\n000030\r\n");
  EXPECT_EQ(ChordText({}), "");
}

TEST(TChord, EqualAndBeginsWith) {
  const std::string ctrl = ChordText({"000029"});
  const std::string ctrlA = ChordText({"000029", "000030"});
  const std::string empty = ChordText({});
  EXPECT_TRUE(ChordTextBeginsWith(ctrlA, ctrl));
  EXPECT_FALSE(ChordTextBeginsWith(ctrl, ctrlA));
  EXPECT_FALSE(ChordTextEquals(ctrl, ctrlA));
  EXPECT_FALSE(ChordTextBeginsWith(ctrl, empty));
  EXPECT_FALSE(ChordTextBeginsWith(empty, empty));
  EXPECT_TRUE(ChordTextEquals(empty, empty));
  EXPECT_FALSE(ChordTextEquals(ctrl, empty));
  // Order is part of the chord; left and right Ctrl are different keys.
  EXPECT_FALSE(ChordTextEquals(ChordText({"000030", "000029"}), ctrlA));
  EXPECT_FALSE(ChordTextBeginsWith(ChordText({"001029", "000030"}), ctrl));
}

TEST(TChord, OnePassRelationAgreesWithEqualAndBeginsWith) {
  const std::vector<std::string> texts = {
      "", ChordText({"000029"}), ChordText({"001029"}), ChordText({"000029", "000030"}),
      ChordText({"000029", "000031"}), ChordText({"000030", "000029"}),
      ChordText({"000029", "000030", "000045"}), "0000", "000029\r", "000029\r\n0"};
  for (const std::string& held : texts) {
    for (const std::string& assigned : texts) {
      TChordRelation expected = TChordRelation::kNone;
      if (!held.empty() && ChordTextEquals(held, assigned)) expected = TChordRelation::kEqual;
      else if (ChordTextBeginsWith(assigned, held)) expected = TChordRelation::kBegins;
      EXPECT_EQ(RelateChordTexts(held, assigned), expected) << held << " / " << assigned;
    }
  }
}

TEST(TChord, DistinctKeysInFirstPressOrder) {
  TChord chord;
  EXPECT_TRUE(AddDistinctKey(chord, "000029"));
  EXPECT_TRUE(AddDistinctKey(chord, "000030"));
  EXPECT_FALSE(AddDistinctKey(chord, "000029"));
  EXPECT_EQ(chord, (TChord{"000029", "000030"}));
  EXPECT_TRUE(RemoveKey(chord, "000029"));
  EXPECT_FALSE(RemoveKey(chord, "000029"));
  EXPECT_EQ(chord, (TChord{"000030"}));
}

}  // namespace
