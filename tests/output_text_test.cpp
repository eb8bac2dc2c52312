#include <gtest/gtest.h>

#include "data/output_text.h"
#include "tests/test_support.h"

namespace {

TEST(TypedText, EscapesAndPlainBackslashes) {
  EXPECT_EQ(UnescapeTypedText("a\\nb\\tc\\\\d"), "a\nb\tc\\d");
  EXPECT_EQ(UnescapeTypedText("C:\\Users\\x"), "C:\\Users\\x");  // \U and \x are no escapes
  EXPECT_EQ(UnescapeTypedText("end\\"), "end\\");
  EXPECT_EQ(UnescapeTypedText("\\\\n"), "\\n");  // an escaped backslash, then the letter
  EXPECT_EQ(UnescapeTypedText(""), "");
}

// ソ and 表 end in the byte 0x5C: it never starts an escape, whatever follows it.
TEST(TypedText, TrailByteBackslashIsNeverAnEscape) {
  const std::string so = kSjisSo;
  const std::string hyo = kSjisHyo;
  EXPECT_EQ(UnescapeTypedText(so + "n"), so + "n");
  EXPECT_EQ(UnescapeTypedText(hyo + "t"), hyo + "t");
  EXPECT_EQ(UnescapeTypedText(so + "\\n"), so + "\n");
  EXPECT_EQ(UnescapeTypedText(so + "\\\\"), so + "\\");
  EXPECT_EQ(UnescapeTypedText(hyo + hyo + "\\" + so), hyo + hyo + "\\" + so);
  EXPECT_EQ(UnescapeTypedText(so), so);
  // A lone lead byte at the end is kept as it is.
  EXPECT_EQ(UnescapeTypedText("a\x83"), "a\x83");
}

TEST(KeyChords, ParseAndWriteBack) {
  std::vector<TChord> chords;
  ASSERT_TRUE(ParseKeyChords("000029,000030 001083", chords));
  ASSERT_EQ(chords.size(), 2u);
  EXPECT_EQ(chords[0], (TChord{"000029", "000030"}));
  EXPECT_EQ(chords[1], (TChord{"001083"}));
  EXPECT_EQ(KeyChordsText(chords), "000029,000030 001083");
  ASSERT_TRUE(ParseKeyChords("  000030\t\t000031  ", chords));
  EXPECT_EQ(KeyChordsText(chords), "000030 000031");
  ASSERT_TRUE(ParseKeyChords("", chords));
  EXPECT_TRUE(chords.empty());
}

TEST(KeyChords, MalformedListsAreRefusedWhole) {
  std::vector<TChord> chords;
  for (const char* bad : {"00029", "0000290", "000029,", ",000029", "000029,,000030", "00002a",
                          "000029 000030,000030", "000029, 000030", "Ctrl+A", "000029;000030"}) {
    chords = {{"000001"}};
    EXPECT_FALSE(ParseKeyChords(bad, chords)) << bad;
    EXPECT_TRUE(chords.empty()) << bad;
  }
}

}  // namespace
