#include <gtest/gtest.h>

#include "data/platform.h"
#include "data/setting.h"
#include "tests/test_support.h"

namespace {

const char kDefaultFontName[] = "\x82\x6C\x82\x72\x20\x96\xBE\x92\xA9";

const std::string kDefaultFile = std::string(
    "[Setting]\r\n"
    "ShowKeyView=1\r\n"
    "TextColor=6304206\r\n"
    "ProgColor=13505323\r\n"
    "BackColor=10546153\r\n"
    "TextColor2=16776960\r\n"
    "ProgColor2=9431012\r\n"
    "BackColor2=11877933\r\n"
    "FontName=") + kDefaultFontName + "\r\n"
    "FontSize=12\r\n"
    "FontStyle=\r\n"
    "StartUp=1\r\n"
    "EdgeColor=8421376\r\n"
    "KeyViewPos=0\r\n"
    "HideCursor=1\r\n";

// A settings file holding `body` under the section header.
std::string SettingsFile(const std::string& body) {
  const std::string file = ScratchFolder() + "vakro.dat";
  WriteBytes(file, "[Setting]\r\n" + body);
  return file;
}

void ExpectDefaults(const TSetting& s) {
  EXPECT_TRUE(s.ShowKeyView);
  EXPECT_EQ(s.TextColor, 0x6031CEu);
  EXPECT_EQ(s.ProgColor, 0xCE132Bu);
  EXPECT_EQ(s.BackColor, 0xA0EBE9u);
  EXPECT_EQ(s.TextColor2, 0xFFFF00u);
  EXPECT_EQ(s.ProgColor2, 0x8FE7E4u);
  EXPECT_EQ(s.BackColor2, 0xB53E2Du);
  EXPECT_EQ(s.FontName, kDefaultFontName);
  EXPECT_EQ(s.FontSize, 12);
  EXPECT_EQ(s.FontStyle, 0);
  EXPECT_TRUE(s.StartUp);
  EXPECT_EQ(s.EdgeColor, 0x808000u);
  EXPECT_EQ(s.KeyViewPos, 0);
  EXPECT_TRUE(s.HideCursor);
}

TEST(SettingInteger, Syntax) {
  struct Case {
    const char* text;
    bool valid;
    int32_t value;
  };
  const Case cases[] = {
      {"12", true, 12},          {"  -12", true, -12},      {"+7", true, 7},
      {"007", true, 7},          {"$FF", true, 255},        {"0xff", true, 255},
      {"0XFF", true, 255},       {"-$10", true, -16},       {"$FFFFFFFF", true, -1},
      {"0x80000000", true, INT32_MIN},                      {"2147483647", true, INT32_MAX},
      {"-2147483648", true, INT32_MIN},                     {"2147483648", false, 0},
      {"-2147483649", false, 0}, {"$100000000", false, 0},  {"99999999999999999999", false, 0},
      {"", false, 0},            {" ", false, 0},           {"-", false, 0},
      {"$", false, 0},           {"0x", false, 0},          {"12a", false, 0},
      {"1 2", false, 0},         {"12 ", false, 0},         {"- 1", false, 0},
      {"\t1", false, 0},         {"$-1", false, 0},         {"true", false, 0},
      {"0x0x1", false, 0},       {"1.5", false, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    int32_t value = 42;
    EXPECT_EQ(ParseSettingInteger(c.text, value), c.valid);
    EXPECT_EQ(value, c.valid ? c.value : 42);
  }
}

TEST(Setting, DefaultsAndMissingFile) {
  TSetting s;
  ExpectDefaults(s);
  EXPECT_TRUE(s.LoadFromFile(ScratchFolder() + "vakro.dat"));
  ExpectDefaults(s);
}

TEST(Setting, DefaultFileByteForByteAndBack) {
  const std::string file = ScratchFolder() + "vakro.dat";
  ASSERT_TRUE(TSetting().SaveToFile(file));
  EXPECT_EQ(ReadBytes(file), kDefaultFile);
  EXPECT_FALSE(platform::FileExists(platform::TemporaryNameFor(file)));
  TSetting loaded;
  loaded.FontName = "other";
  EXPECT_TRUE(loaded.LoadFromFile(file));
  ExpectDefaults(loaded);
}

TEST(Setting, ValuesRoundTrip) {
  TSetting s;
  s.ShowKeyView = false;
  s.TextColor = 0xFFFFFFFF;
  s.BackColor2 = 0;
  s.FontName = std::string(kSjisSo) + kSjisHyo + " Gothic";
  s.FontSize = -11;
  s.FontStyle = kFontBold | kFontItalic | kFontUnderline | kFontStrikeOut;
  s.StartUp = false;
  s.KeyViewPos = 4;
  s.HideCursor = false;
  const std::string file = ScratchFolder() + "vakro.dat";
  ASSERT_TRUE(s.SaveToFile(file));
  const std::string bytes = ReadBytes(file);
  EXPECT_NE(bytes.find("\r\nTextColor=-1\r\n"), std::string::npos);
  EXPECT_NE(bytes.find("\r\nFontStyle=0,1,2,3\r\n"), std::string::npos);

  TSetting loaded;
  ASSERT_TRUE(loaded.LoadFromFile(file));
  EXPECT_FALSE(loaded.ShowKeyView);
  EXPECT_EQ(loaded.TextColor, 0xFFFFFFFFu);
  EXPECT_EQ(loaded.BackColor2, 0u);
  EXPECT_EQ(loaded.FontName, s.FontName);
  EXPECT_EQ(loaded.FontSize, -11);
  EXPECT_EQ(loaded.FontStyle, s.FontStyle);
  EXPECT_FALSE(loaded.StartUp);
  EXPECT_EQ(loaded.KeyViewPos, 4);
  EXPECT_FALSE(loaded.HideCursor);
}

// Only a list that is not empty is written, after the usual keys; names read back whole,
// even one that is quoted from end to end.
TEST(Setting, ExcludeProgramsRoundTrip) {
  const std::string file = ScratchFolder() + "vakro.dat";
  for (const std::vector<std::string>& names :
       {std::vector<std::string>{"game.exe", std::string(kSjisSo) + ".exe"},
        std::vector<std::string>{"remote desktop.exe"}, std::vector<std::string>{"'a", "b'"}}) {
    TSetting s;
    s.ExcludePrograms = names;
    ASSERT_TRUE(s.SaveToFile(file));
    const std::string bytes = ReadBytes(file);
    EXPECT_EQ(bytes.substr(0, kDefaultFile.size()), kDefaultFile);
    EXPECT_EQ(bytes.substr(kDefaultFile.size(), 16), "ExcludePrograms=");
    TSetting loaded;
    ASSERT_TRUE(loaded.LoadFromFile(file));
    EXPECT_EQ(loaded.ExcludePrograms, names);
  }
  EXPECT_TRUE(TSetting().ExcludePrograms.empty());
}

// The two times are written after the usual keys only when not the default, read back whole,
// and a value that is not a number in range loads as the default, not as the value before.
TEST(Setting, SequenceTimeoutAndKeyViewDelay) {
  const std::string file = ScratchFolder() + "vakro.dat";
  TSetting s;
  s.SequenceTimeout = 750;
  s.KeyViewDelay = 400;
  ASSERT_TRUE(s.SaveToFile(file));
  EXPECT_EQ(ReadBytes(file), kDefaultFile + "SequenceTimeout=750\r\nKeyViewDelay=400\r\n");
  TSetting loaded;
  ASSERT_TRUE(loaded.LoadFromFile(file));
  EXPECT_EQ(loaded.SequenceTimeout, 750);
  EXPECT_EQ(loaded.KeyViewDelay, 400);

  for (const char* body : {"SequenceTimeout=0\r\nKeyViewDelay=-1\r\n", "SequenceTimeout=2s\r\nKeyViewDelay=\r\n",
                           "SequenceTimeout=60001\r\nKeyViewDelay=0x7FFFFFFF\r\n"}) {
    EXPECT_TRUE(loaded.LoadFromFile(SettingsFile(body))) << body;
    EXPECT_EQ(loaded.SequenceTimeout, 2000) << body;
    EXPECT_EQ(loaded.KeyViewDelay, 0) << body;
  }
  EXPECT_TRUE(loaded.LoadFromFile(SettingsFile("SequenceTimeout=1\r\nKeyViewDelay=60000\r\n")));
  EXPECT_EQ(loaded.SequenceTimeout, 1);
  EXPECT_EQ(loaded.KeyViewDelay, 60000);
}

TEST(Setting, IntegersThatDoNotParseKeepTheCurrentValue) {
  TSetting s;
  s.ShowKeyView = false;
  EXPECT_TRUE(s.LoadFromFile(SettingsFile(
      "ShowKeyView=true\r\nTextColor=0xFF\r\nProgColor=$FF\r\nBackColor=\r\n"
      "FontSize=99999999999\r\nStartUp=2\r\nEdgeColor=green\r\nKeyViewPos=260\r\n"
      "HideCursor=0\r\n")));
  EXPECT_FALSE(s.ShowKeyView);
  EXPECT_EQ(s.TextColor, 255u);
  EXPECT_EQ(s.ProgColor, 255u);
  EXPECT_EQ(s.BackColor, 0xA0EBE9u);
  EXPECT_EQ(s.FontSize, 12);
  EXPECT_TRUE(s.StartUp);
  EXPECT_EQ(s.EdgeColor, 0x808000u);
  EXPECT_EQ(s.KeyViewPos, 4);
  EXPECT_FALSE(s.HideCursor);

  EXPECT_TRUE(s.LoadFromFile(SettingsFile("KeyViewPos=255\r\nShowKeyView=2\r\n")));
  EXPECT_EQ(s.KeyViewPos, -1);
  EXPECT_TRUE(s.ShowKeyView);
}

TEST(Setting, FontStyleItems) {
  TSetting s;
  EXPECT_TRUE(s.LoadFromFile(SettingsFile("FontStyle=0,1\r\n")));
  EXPECT_EQ(s.FontStyle, kFontBold | kFontItalic);

  TSetting strike;
  EXPECT_TRUE(strike.LoadFromFile(SettingsFile("FontStyle=3,7,-1\r\n")));
  EXPECT_EQ(strike.FontStyle, kFontStrikeOut);

  TSetting empty;
  EXPECT_TRUE(empty.LoadFromFile(SettingsFile("FontStyle=\r\nStartUp=0\r\n")));
  EXPECT_EQ(empty.FontStyle, 0);
  EXPECT_FALSE(empty.StartUp);
}

TEST(Setting, MalformedFontStyleStopsTheLoad) {
  const std::string after = "StartUp=0\r\nEdgeColor=1\r\nKeyViewPos=2\r\nHideCursor=0\r\n";
  TSetting letter;
  EXPECT_FALSE(letter.LoadFromFile(SettingsFile("FontSize=20\r\nFontStyle=b\r\n" + after)));
  EXPECT_EQ(letter.FontSize, 20);
  EXPECT_TRUE(letter.StartUp);
  EXPECT_EQ(letter.EdgeColor, 0x808000u);
  EXPECT_EQ(letter.KeyViewPos, 0);
  EXPECT_TRUE(letter.HideCursor);

  TSetting gap;
  EXPECT_FALSE(gap.LoadFromFile(SettingsFile("FontStyle=0,,1\r\n" + after)));
  EXPECT_EQ(gap.FontStyle, kFontBold);
  EXPECT_TRUE(gap.StartUp);
}

TEST(Setting, LongFontNameIsCutAt2047Bytes) {
  TSetting s;
  EXPECT_TRUE(s.LoadFromFile(SettingsFile("FontName=" + std::string(3000, 'f') + "\r\n")));
  EXPECT_EQ(s.FontName, std::string(2047, 'f'));
}

TEST(Setting, SaveLeavesNothingOfTheOldFileOrAStaleTemporary) {
  const std::string file = SettingsFile("Extra=1\r\nFontSize=30\r\n[Other]\r\nA=B\r\n");
  WriteBytes(platform::TemporaryNameFor(file), "[Setting]\r\nStale=1\r\n[More]\r\nC=D\r\n");
  ASSERT_TRUE(TSetting().SaveToFile(file));
  EXPECT_EQ(ReadBytes(file), kDefaultFile);
  EXPECT_FALSE(platform::FileExists(platform::TemporaryNameFor(file)));

  TSetting changed;
  changed.FontSize = 9;
  ASSERT_TRUE(changed.SaveToFile(file));
  TSetting loaded;
  ASSERT_TRUE(loaded.LoadFromFile(file));
  EXPECT_EQ(loaded.FontSize, 9);
}

TEST(Setting, SavedFileMustHoldEveryKey) {
  const std::vector<std::pair<const char*, std::string>> entries = {{"FontSize", "12"}, {"StartUp", "1"}};
  EXPECT_TRUE(SettingsFileHolds("[Setting]\r\nFontSize=12\r\nStartUp=1\r\n", entries));
  EXPECT_TRUE(SettingsFileHolds("[Setting]\nStartUp=0\nFontSize=9", entries));
  EXPECT_FALSE(SettingsFileHolds("", entries));  // what a full disk leaves behind
  EXPECT_FALSE(SettingsFileHolds("[Setting]\r\nFontSize=12\r\nStartU", entries));
  EXPECT_FALSE(SettingsFileHolds("[Setting]\r\nXFontSize=12\r\nStartUp=1\r\n", entries));
}

TEST(Setting, LoadSurvivesBadFiles) {
  const std::string folder = ScratchFolder();
  const char withNul[] = "[Setting]\r\nFontSize=1\0\r\nStartUp=0\r\n";
  const std::string inputs[] = {
      "",
      std::string(withNul, sizeof withNul - 1),
      "[Setting]\rFontSize=5\nStartUp=0",
      "[Setting]\r\nFontName=\x81",
      "[Setting]\r\nFontStyle=\"0,1",
      "[Setting]\r\nFontName=" + std::string(1 << 20, 'x'),
      SeededBytes(7, 4096),
      "[Setting]\r\n" + SeededBytes(8, 4096),
  };
  for (const std::string& input : inputs) {
    WriteBytes(folder + "vakro.dat", input);
    TSetting s;
    s.LoadFromFile(folder + "vakro.dat");
    EXPECT_LE(s.FontName.size(), 2047u);
  }
}

#ifndef _WIN32
TEST(Setting, FailedSaveKeepsTheOldFile) {
  TmpfsFolder folder;
  if (!folder.Mounted()) GTEST_SKIP() << "mounting a tmpfs is not allowed here";
  const std::string file = folder.Path() + "vakro.dat";
  WriteBytes(file, "[Setting]\r\nFontSize=30\r\n");
  ASSERT_TRUE(folder.MakeReadOnly());
  EXPECT_FALSE(TSetting().SaveToFile(file));
  EXPECT_EQ(ReadBytes(file), "[Setting]\r\nFontSize=30\r\n");
  EXPECT_FALSE(platform::FileExists(platform::TemporaryNameFor(file)));
}

TEST(Setting, SaveOnAFullDiskKeepsTheOldFile) {
  TmpfsFolder folder;
  if (!folder.Mounted()) GTEST_SKIP() << "mounting a tmpfs is not allowed here";
  const std::string file = folder.Path() + "vakro.dat";
  WriteBytes(file, "[Setting]\r\nFontSize=30\r\n");
  folder.Fill();
  EXPECT_FALSE(TSetting().SaveToFile(file));
  EXPECT_EQ(ReadBytes(file), "[Setting]\r\nFontSize=30\r\n");
  EXPECT_FALSE(platform::FileExists(platform::TemporaryNameFor(file)));
}
#endif

}  // namespace
