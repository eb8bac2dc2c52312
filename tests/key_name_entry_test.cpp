#include <gtest/gtest.h>

#include "data/key_manager.h"
#include "data/key_name_manager.h"
#include "data/platform.h"
#include "ui/key_name_entry.h"
#include "ui/list_filter.h"
#include "tests/test_support.h"

namespace {

const char kDuplicate[] = "このキーは既に登録されています。";
const char kNoKey[] = "キーを指定してください。";
const char kNoName[] = "割り当て名を指定してください。";

TEST(KeyNameEntry, TrimsBlankAndControlBytesOnly) {
  EXPECT_EQ(TrimBlankBytes(std::string(" \t\x01 ab c\r\n\0", 11)), "ab c");
  EXPECT_EQ(TrimBlankBytes("   "), "");
  EXPECT_EQ(TrimBlankBytes(""), "");
  // Bytes above 0x20 stay, the Shift-JIS lead and trail bytes included.
  EXPECT_EQ(TrimBlankBytes(std::string(" ") + kSjisMuhenkan + " "), kSjisMuhenkan);
}

TEST(KeyNameEntry, LastFailingCheckGivesTheMessage) {
  TKeyNameManager names;
  names.Add("000123", "first");
  EXPECT_EQ(KeyNameInputError(names, "", "", true, -1), kNoName);
  EXPECT_EQ(KeyNameInputError(names, "", "name", true, -1), kNoKey);
  EXPECT_EQ(KeyNameInputError(names, "000123", "", true, -1), kNoName);
  EXPECT_EQ(KeyNameInputError(names, "000123", "name", true, -1), kDuplicate);
  EXPECT_EQ(KeyNameInputError(names, "000124", "name", true, -1), "");
}

TEST(KeyNameEntry, DuplicateKeyIsByteExactAndSparesTheUpdatedRow) {
  TKeyNameManager names;
  names.Add("000123", "a");
  names.Add("000125", "b");
  EXPECT_EQ(KeyNameInputError(names, "000123 ", "n", true, -1), "");
  EXPECT_EQ(KeyNameInputError(names, "0123", "n", true, -1), "");
  // Updating an entry with its own key is accepted; with the key of another it is refused.
  EXPECT_EQ(KeyNameInputError(names, "000123", "new", false, 0), "");
  EXPECT_EQ(KeyNameInputError(names, "000125", "new", false, 0), kDuplicate);
  // Adding never spares a row, selected or not.
  EXPECT_EQ(KeyNameInputError(names, "000123", "new", true, 0), kDuplicate);
}

// A key code the platform has no name for: 000123 when it has none (the host's table, the
// usual case), else the first nameless scan code.
std::string NamelessKeyCode() {
  for (uint32_t scan : {0x7Bu, 0x70u, 0x79u}) {
    if (platform::KeyNameText(scan << 16).empty()) return KeyCodeFromFlags(scan << 16);
  }
  for (uint32_t scan = 1; scan < 256; ++scan)
    if (platform::KeyNameText(scan << 16).empty()) return KeyCodeFromFlags(scan << 16);
  return {};
}

void AddAssignment(TKeyManager& keys, const TChord& chord, const std::string& keyText) {
  keys.Add(chord, "prog.exe", "", "", "prog", keyText, false);
}

TEST(KeyNameEntry, RebuildsTheTextsOfAssignmentsHoldingTheKeyOnly) {
  const std::string code = NamelessKeyCode();
  if (code.empty()) GTEST_SKIP() << "every scan code has a platform name here";
  const std::string ctrl = platform::KeyNameText(0x1Du << 16);
  TKeyManager keys;
  AddAssignment(keys, {"000029", "000030"}, "old A");
  AddAssignment(keys, {"000029", code}, "old 1");
  AddAssignment(keys, {code}, "old 2");
  TKeyNameManager names;
  names.Add(code, kSjisMuhenkan);

  const std::vector<TKeyTextChange> changes = RebuiltKeyTexts(keys, names, code);
  ASSERT_EQ(changes.size(), 2u);
  EXPECT_EQ(changes[0].index, 1);
  EXPECT_EQ(changes[0].text, ctrl + "+" + kSjisMuhenkan);
  EXPECT_EQ(changes[1].index, 2);
  EXPECT_EQ(changes[1].text, kSjisMuhenkan);
  // The texts are only computed: the assignments keep theirs until the page stores them.
  EXPECT_EQ(keys.Get(0)->KeyText(), "old A");
  EXPECT_EQ(keys.Get(1)->KeyText(), "old 1");
}

TEST(KeyNameEntry, PlatformNamedKeysAndUnknownKeysRebuildNothing) {
  const std::string keyA = platform::KeyNameText(0x1Eu << 16);
  TKeyManager keys;
  AddAssignment(keys, {"000029", "000030"}, "Ctrl+A");
  TKeyNameManager names;
  names.Add(keyA, "alias by name");
  EXPECT_TRUE(RebuiltKeyTexts(keys, names, keyA).empty());
  EXPECT_TRUE(RebuiltKeyTexts(keys, names, "000200").empty());
  // A platform-named key of a chord is rebuilt with its platform name, never an alias.
  names.Add("000030", "alias of A");
  const std::vector<TKeyTextChange> changes = RebuiltKeyTexts(keys, names, "000030");
  ASSERT_EQ(changes.size(), 1u);
  EXPECT_EQ(changes[0].text, platform::KeyNameText(0x1Du << 16) + "+" + keyA);
}

TEST(KeyNameEntry, FindBoxLooksAtKeyAndName) {
  TKeyNameManager names;
  names.Add("000123", kSjisMuhenkan);
  names.Add("Caps Lock", "eisu");
  names.Add("000124", "Henkan");
  EXPECT_EQ(FoundKeyNames(names, "000"), (std::vector<int>{0, 2}));
  EXPECT_EQ(FoundKeyNames(names, "caps"), std::vector<int>{1});
  EXPECT_EQ(FoundKeyNames(names, "HENKAN"), std::vector<int>{2});
  EXPECT_EQ(FoundKeyNames(names, "\x95\xCF"), std::vector<int>{0});  // 変
  EXPECT_EQ(FoundKeyNames(names, ""), (std::vector<int>{0, 1, 2}));
}

TEST(KeyNameEntry, ReloadRefusesAFileWithoutEntries) {
  TKeyNameManager names;
  names.Add("000123", "kept");
  EXPECT_FALSE(names.ReloadFromBytes("\"one item only\"\r\n"));
  EXPECT_EQ(names.Count(), 1);
  EXPECT_TRUE(names.ReloadFromBytes("000125,new\r\n"));
  ASSERT_EQ(names.Count(), 1);
  EXPECT_EQ(names.Get(0)->Name, "new");
}

}  // namespace
