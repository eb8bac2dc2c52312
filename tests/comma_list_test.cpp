#include <gtest/gtest.h>

#include "data/comma_list.h"
#include "tests/test_support.h"

namespace {

TEST(CommaListEncode, BareQuotedAndEmptyItems) {
  EXPECT_EQ(EncodeCommaList({}), "");
  EXPECT_EQ(EncodeCommaList({""}), "\"\"");
  EXPECT_EQ(EncodeCommaList({"a", "", "", "b"}), "a,,,b");
  EXPECT_EQ(EncodeCommaList({"", ""}), ",");
  EXPECT_EQ(EncodeCommaList({"C:\\Program Files\\x.exe"}), "\"C:\\Program Files\\x.exe\"");
  EXPECT_EQ(EncodeCommaList({"a,b"}), "\"a,b\"");
  EXPECT_EQ(EncodeCommaList({"say \"hi\""}), "\"say \"\"hi\"\"\"");
  EXPECT_EQ(EncodeCommaList({"a\"b"}), "\"a\"\"b\"");
  EXPECT_EQ(EncodeCommaList({"tab\there"}), "\"tab\there\"");
  EXPECT_EQ(EncodeCommaList({std::string("\x01x", 2)}), "\"\x01x\"");
  EXPECT_EQ(EncodeCommaList({"!#$%&'()*+-./:;<=>?@[\\]^_`{|}~"}), "!#$%&'()*+-./:;<=>?@[\\]^_`{|}~");
}

TEST(CommaListEncode, DoubleByteCharactersAreNeverSplit) {
  // ソ and 表 have the trail byte 0x5C; they need no quotes and are copied byte for byte.
  EXPECT_EQ(EncodeCommaList({kSjisSo, kSjisHyo}), std::string(kSjisSo) + "," + kSjisHyo);
  // A lead byte makes the next byte part of its character, even a comma or a quote, so no
  // quoting is triggered by it and the pair comes back whole.
  EXPECT_EQ(EncodeCommaList({"\x81,x"}), "\x81,x");
  EXPECT_EQ(EncodeCommaList({"\x81\"x y"}), "\"\x81\"x y\"");
}

TEST(CommaListDecode, ReadsItemsAndSkipsBlanks) {
  EXPECT_EQ(DecodeCommaList(""), TTextList{});
  EXPECT_EQ(DecodeCommaList("   "), TTextList{});
  EXPECT_EQ(DecodeCommaList("\"\""), TTextList{""});
  EXPECT_EQ(DecodeCommaList("a,b"), (TTextList{"a", "b"}));
  EXPECT_EQ(DecodeCommaList("  a ,\t b  "), (TTextList{"a", "b"}));
  EXPECT_EQ(DecodeCommaList("a b"), (TTextList{"a", "b"}));
  EXPECT_EQ(DecodeCommaList("a,,b"), (TTextList{"a", "", "b"}));
  EXPECT_EQ(DecodeCommaList(",a"), (TTextList{"", "a"}));
  EXPECT_EQ(DecodeCommaList("a,"), (TTextList{"a", ""}));
  EXPECT_EQ(DecodeCommaList(","), (TTextList{"", ""}));
  // Only a comma that is the very last byte gives a trailing empty item.
  EXPECT_EQ(DecodeCommaList("a, "), TTextList{"a"});
  EXPECT_EQ(DecodeCommaList("\"a\"\"b\",\" c \""), (TTextList{"a\"b", " c "}));
  EXPECT_EQ(DecodeCommaList("\"\"\"\""), TTextList{"\""});
  EXPECT_EQ(DecodeCommaList("a\"b"), TTextList{"a\"b"});
}

TEST(CommaListDecode, HandEditedQuotesAndNul) {
  // An unclosed quote reads to the end of the line.
  EXPECT_EQ(DecodeCommaList("x,\"a,b c"), (TTextList{"x", "a,b c"}));
  EXPECT_EQ(DecodeCommaList("\""), TTextList{""});
  // Text after a closing quote is the next item.
  EXPECT_EQ(DecodeCommaList("\"a\"b,c"), (TTextList{"a", "b", "c"}));
  EXPECT_EQ(DecodeCommaList("\"a\" \"b\""), (TTextList{"a", "b"}));
  // A NUL byte ends the text.
  EXPECT_EQ(DecodeCommaList(std::string("a,b\0,c", 6)), (TTextList{"a", "b"}));
  EXPECT_EQ(DecodeCommaList(std::string("\0a", 2)), TTextList{});
}

TEST(CommaListDecode, LeadByteAtTheEndIsNotReadPast) {
  // Copies without the terminating NUL of the literal, so a read past the end is caught.
  EXPECT_EQ(DecodeCommaList(std::string("ab\x81")), TTextList{"ab\x81"});
  EXPECT_EQ(DecodeCommaList(std::string("\"ab\x81")), TTextList{"ab\x81"});
  EXPECT_EQ(DecodeCommaList(std::string("a,\x81")), (TTextList{"a", "\x81"}));
  // The lead byte swallows the closing quote, which leaves the item unclosed.
  EXPECT_EQ(DecodeCommaList(std::string("\"ab\x81\"")), TTextList{"ab\x81\""});
  EXPECT_EQ(DecodeCommaList(std::string("\x81,x")), TTextList{"\x81,x"});
}

TEST(CommaList, RoundTripsAwkwardItems) {
  const std::vector<TTextList> lists = {
      {""},
      {"", ""},
      {"", "", ""},
      {"a", ""},
      {"", "a"},
      {" lead", "trail ", " "},
      {"\"", "\"\"", "a\"", "\"a"},
      {"a,b", ",", ",,"},
      {kSjisSo, std::string(kSjisHyo) + " " + kSjisSo, std::string("\"") + kSjisSo + "\""},
      {"\x81,", "\x81\"", "\x81 x", "\x81\x81"},
      {"000029,000030", "C:\\Windows\\notepad.exe"},
  };
  for (const TTextList& items : lists) {
    SCOPED_TRACE(EncodeCommaList(items));
    EXPECT_EQ(DecodeCommaList(EncodeCommaList(items)), items);
  }
}

TEST(CommaList, NestedListsRoundTrip) {
  const TTextList keys = {"000029", "000030", "001029"};
  const std::string inner = EncodeCommaList(keys);
  const TTextList outer = DecodeCommaList(EncodeCommaList({inner, "x"}));
  ASSERT_EQ(outer.size(), 2u);
  EXPECT_EQ(DecodeCommaList(outer[0]), keys);
}

TEST(CommaListDecode, SurvivesRandomBytes) {
  for (uint32_t seed = 1; seed <= 200; ++seed) {
    const std::string bytes = SeededBytes(seed, 1 + seed * 7);
    TTextList items = DecodeCommaList(bytes);
    size_t total = 0;
    for (const std::string& item : items) total += item.size();
    EXPECT_LE(total, bytes.size());
  }
}

}  // namespace
