#include <gtest/gtest.h>

#include "data/key_name_manager.h"
#include "data/platform.h"
#include "engine/key_display.h"
#include "tests/test_support.h"

namespace {

uint32_t FlagsOf(uint32_t scanCode, bool extended = false) {
  return (scanCode << 16) | (extended ? 1u << 24 : 0u);
}

// A key the platform has no name for: 0x7B (無変換 on Japanese keyboards) when that has none,
// otherwise the first scan code without a name.
bool FindNamelessKey(uint32_t& flags) {
  if (platform::KeyNameText(FlagsOf(0x7B)).empty()) {
    flags = FlagsOf(0x7B);
    return true;
  }
  for (uint32_t scan = 1; scan < 256; ++scan) {
    if (platform::KeyNameText(FlagsOf(scan)).empty()) {
      flags = FlagsOf(scan);
      return true;
    }
  }
  return false;
}

TEST(KeyDisplay, PlatformNameComesFirst) {
  const uint32_t keyA = FlagsOf(0x1E);
  const std::string platformName = platform::KeyNameText(keyA);
  ASSERT_FALSE(platformName.empty());
  TKeyNameManager aliases;
  aliases.Add("000030", "alias of A");
  aliases.Add(platformName, "alias by name");
  EXPECT_EQ(KeyDisplayName(keyA, &aliases), platformName);
  EXPECT_EQ(KeyDisplayName(keyA, nullptr), platformName);
  EXPECT_EQ(KeyDisplayNameOfCode("000030", &aliases), platformName);
}

TEST(KeyDisplay, AliasOnlyForNamelessKeys) {
  uint32_t flags = 0;
  if (!FindNamelessKey(flags)) GTEST_SKIP() << "every scan code has a platform name here";
  const std::string code = KeyCodeFromFlags(flags);
  TKeyNameManager aliases;
  EXPECT_EQ(KeyDisplayName(flags, &aliases), code);

  aliases.Add(code + " ", "spaced");
  EXPECT_EQ(KeyDisplayName(flags, &aliases), code);
  aliases.Add(code, kSjisMuhenkan);
  aliases.Add(code, "later");
  EXPECT_EQ(KeyDisplayName(flags, &aliases), kSjisMuhenkan);
  EXPECT_EQ(KeyDisplayNameOfCode(code, &aliases), kSjisMuhenkan);
  // The source-key box does not use aliases.
  EXPECT_EQ(KeyDisplayName(flags, nullptr), code);

  aliases.Get(1)->Name.clear();
  EXPECT_EQ(KeyDisplayName(flags, &aliases), "");
}

TEST(KeyDisplay, ChordTextJoinsNamesWithPlus) {
  uint32_t nameless = 0;
  if (!FindNamelessKey(nameless)) GTEST_SKIP() << "every scan code has a platform name here";
  const std::string code = KeyCodeFromFlags(nameless);
  TKeyNameManager aliases;
  aliases.Add(code, "Nameless");
  const std::string ctrl = platform::KeyNameText(FlagsOf(0x1D));
  const std::string keyA = platform::KeyNameText(FlagsOf(0x1E));
  const TChord chord = {"000029", code, "000030"};
  EXPECT_EQ(ChordDisplayText(chord, &aliases), ctrl + "+Nameless+" + keyA);
  EXPECT_EQ(ChordDisplayText(chord, nullptr), ctrl + "+" + code + "+" + keyA);
  EXPECT_EQ(ChordDisplayText(chord, &aliases, 2), keyA);
  EXPECT_EQ(ChordDisplayText({}, &aliases), "");
}

}  // namespace
