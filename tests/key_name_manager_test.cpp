#include <gtest/gtest.h>

#include "data/key_name_manager.h"
#include "data/platform.h"
#include "tests/test_support.h"

namespace {

TEST(KeyNameManager, FindIsExactAndTakesTheFirst) {
  TKeyNameManager names;
  names.Add("000123 ", "spaced");
  names.Add("0123", "short");
  EXPECT_EQ(names.Find("000123"), nullptr);
  TKeyName* first = names.Add("000123", "first");
  names.Add("000123", "second");
  EXPECT_EQ(names.Find("000123"), first);
  EXPECT_EQ(names.Get(-1), nullptr);
  EXPECT_EQ(names.Get(names.Count()), nullptr);
  names.Remove(first);
  EXPECT_EQ(names.Find("000123")->Name, "second");
  TKeyName stranger;
  names.Remove(&stranger);
  EXPECT_EQ(names.Count(), 3);
}

TEST(KeyNameFile, LinesByteForByte) {
  TKeyNameManager names;
  names.Add("000123", kSjisMuhenkan);
  names.Add("Caps Lock", "a,\"b\" c");
  names.Add("A", "");
  const std::string bytes = std::string("000123,") + kSjisMuhenkan +
                            "\r\n\"Caps Lock\",\"a,\"\"b\"\" c\"\r\nA,\r\n";
  EXPECT_EQ(names.SaveToBytes(), bytes);

  TKeyNameManager loaded;
  loaded.LoadFromBytes(bytes);
  ASSERT_EQ(loaded.Count(), 3);
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(loaded.Get(i)->Key, names.Get(i)->Key);
    EXPECT_EQ(loaded.Get(i)->Name, names.Get(i)->Name);
  }
}

TEST(KeyNameFile, ShortLinesSkippedExtraItemsIgnored) {
  TKeyNameManager names;
  names.LoadFromBytes("000123,a,b,c\r\n\r\nlonely\n\"\"\r000124,\"x\"y");
  ASSERT_EQ(names.Count(), 2);
  EXPECT_EQ(names.Get(0)->Name, "a");
  EXPECT_EQ(names.Get(1)->Key, "000124");
  EXPECT_EQ(names.Get(1)->Name, "x");

  names.LoadFromBytes(std::string("000123,\x81"));
  ASSERT_EQ(names.Count(), 1);
  EXPECT_EQ(names.Get(0)->Name, "\x81");

  for (uint32_t seed = 1; seed <= 100; ++seed) names.LoadFromBytes(SeededBytes(seed, 4096));
  names.LoadFromBytes(std::string(1 << 20, 'k') + "," + std::string(1 << 20, 'n'));
  ASSERT_EQ(names.Count(), 1);
  EXPECT_EQ(names.Get(0)->Name.size(), size_t{1} << 20);
}

TEST(KeyNameFile, MissingEmptyAndWrittenFiles) {
  const std::string folder = ScratchFolder();
  const std::string file = folder + "keyname.dat";
  TKeyNameManager names;
  names.Add("000123", kSjisMuhenkan);
  EXPECT_TRUE(names.LoadFromFile(folder + "missing.dat"));
  EXPECT_EQ(names.Count(), 1);
  EXPECT_TRUE(names.SaveToFile(file));
  EXPECT_EQ(ReadBytes(file), std::string("000123,") + kSjisMuhenkan + "\r\n");

  WriteBytes(file, "");
  EXPECT_TRUE(names.LoadFromFile(file));
  EXPECT_EQ(names.Count(), 0);
  EXPECT_TRUE(names.SaveToFile(file));
  EXPECT_EQ(ReadBytes(file), "");
  EXPECT_FALSE(platform::FileExists(platform::TemporaryNameFor(file)));
}

#ifndef _WIN32
TEST(KeyNameFile, UnreadableFileAndFailedSaveChangeNothing) {
  TKeyNameManager names;
  names.Add("000123", "x");
  EXPECT_FALSE(names.LoadFromFile(kUnreadableFile));
  EXPECT_EQ(names.Count(), 1);

  TmpfsFolder folder;
  if (!folder.Mounted()) GTEST_SKIP() << "mounting a tmpfs is not allowed here";
  const std::string file = folder.Path() + "keyname.dat";
  WriteBytes(file, "000124,old\r\n");
  ASSERT_TRUE(folder.MakeReadOnly());
  EXPECT_FALSE(names.SaveToFile(file));
  EXPECT_EQ(ReadBytes(file), "000124,old\r\n");
}
#endif

}  // namespace
