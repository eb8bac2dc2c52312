#include <gtest/gtest.h>

#include "data/key_manager.h"
#include "data/key_name_manager.h"
#include "data/platform.h"
#include "engine/guide_layout.h"
#include "tests/key_events.h"

namespace {

const TGuidePalette kPalette{0x01, 0x02, 0x03, 0x11, 0x12, 0x13, 0x20};
const TGuideSize kScreen{1024, 768};

std::string Name(const TestKey& key) { return platform::KeyNameText(KeyFlags(key)); }

std::vector<TGuideRowSizes> Rows(size_t count, int height = 24) {
  return std::vector<TGuideRowSizes>(count, {{50, height}, {80, height}});
}

TEST(GuideRows, ShowTheKeysAfterTheHeldOnes) {
  TKeyManager keys;
  const TKeyInfo* first =
      keys.Add({CodeOf(kLeftCtrl), CodeOf(kLeftAlt), CodeOf(kKeyX)}, "", "", "", "one", "", false);
  const TKeyInfo* second = keys.Add({CodeOf(kLeftCtrl), CodeOf(kKeyY)}, "", "", "", "two", "", false);
  std::vector<TGuideRowText> rows = BuildGuideRows({first, second}, 1, nullptr);
  ASSERT_EQ(rows.size(), 2u);
  EXPECT_EQ(rows[0].keysText, Name(kLeftAlt) + "+" + Name(kKeyX));
  EXPECT_EQ(rows[0].programName, "one");
  EXPECT_EQ(rows[1].keysText, Name(kKeyY));
  EXPECT_EQ(rows[1].programName, "two");
}

TEST(GuideRows, KeysWithoutPlatformNameUseTheAliasOrTheirDigits) {
  std::string nameless;
  for (uint32_t scan = 0; scan < 256 && nameless.empty(); ++scan) {
    if (platform::KeyNameText(scan << 16).empty()) nameless = KeyCodeFromFlags(scan << 16);
  }
  if (nameless.empty()) GTEST_SKIP() << "every key has a platform name here";
  TKeyManager keys;
  const TKeyInfo* info = keys.Add({CodeOf(kLeftCtrl), nameless}, "", "", "", "p", "", false);
  EXPECT_EQ(BuildGuideRows({info}, 1, nullptr)[0].keysText, nameless);
  TKeyNameManager aliases;
  aliases.Add(nameless, "変換");
  EXPECT_EQ(BuildGuideRows({info}, 1, &aliases)[0].keysText, "変換");
}

TEST(TGuideLayout, RowsTouchAndAlternateColours) {
  std::vector<TGuideRowSizes> rows = {{{71, 24}, {100, 24}}, {{40, 24}, {30, 25}}};
  TGuideLayout layout = LayOutGuide(rows, kScreen, 1, kPalette);
  ASSERT_EQ(layout.rows.size(), 2u);
  const TGuideRowPlacement& even = layout.rows[0];
  const TGuideRowPlacement& odd = layout.rows[1];
  EXPECT_EQ(even.keyLabel.left, 4);
  EXPECT_EQ(even.keyLabel.top, 4);
  EXPECT_EQ(even.keyLabel.width, 87);
  EXPECT_EQ(even.programLabel.left, 91);
  EXPECT_EQ(even.programLabel.width, 116);
  EXPECT_EQ(odd.keyLabel.top, 28);
  EXPECT_EQ(odd.keyLabel.width, 87);
  EXPECT_EQ(odd.programLabel.height, 25);
  EXPECT_EQ(even.keyTextColor, kPalette.textColor);
  EXPECT_EQ(even.programTextColor, kPalette.progColor);
  EXPECT_EQ(even.backColor, kPalette.backColor);
  EXPECT_EQ(odd.keyTextColor, kPalette.textColor2);
  EXPECT_EQ(odd.programTextColor, kPalette.progColor2);
  EXPECT_EQ(odd.backColor, kPalette.backColor2);
  EXPECT_EQ(layout.edgeColor, kPalette.edgeColor);
  EXPECT_EQ(layout.client.width, 87 + 116 + 8);
  EXPECT_EQ(layout.client.height, 4 + 48 + 4);
}

TEST(TGuideLayout, ColumnsWrapAtTheScreenHeight) {
  // 768 pixels and 24-pixel rows: rows at 4, 28, ..., 724 fill a column (724 + 48 > 768).
  TGuideLayout full = LayOutGuide(Rows(31), kScreen, 1, kPalette);
  EXPECT_EQ(full.rows[1].keyLabel.top, 28);
  EXPECT_EQ(full.rows[2].keyLabel.top, 52);
  EXPECT_EQ(full.rows[30].keyLabel.top, 724);
  const int column = 66 + 96;
  EXPECT_EQ(full.client.width, column + 8);  // no empty column after an exactly full one
  EXPECT_EQ(full.client.height, 752);

  TGuideLayout wrapped = LayOutGuide(Rows(33), kScreen, 1, kPalette);
  EXPECT_EQ(wrapped.rows[31].keyLabel.top, 4);
  EXPECT_EQ(wrapped.rows[31].keyLabel.left, column + 4);
  EXPECT_EQ(wrapped.rows[32].keyLabel.top, 28);
  EXPECT_EQ(wrapped.client.width, 2 * column + 8);
  EXPECT_EQ(wrapped.client.height, 752);

  // Rows taller than the screen still get a column each, with no empty one at the end.
  TGuideLayout tall = LayOutGuide(Rows(3, 500), kScreen, 1, kPalette);
  EXPECT_EQ(tall.rows[2].keyLabel.left, 2 * column + 4);
  EXPECT_EQ(tall.client.width, 3 * column + 8);
  EXPECT_EQ(tall.client.height, 508);
}

TEST(TGuideLayout, FormPlacedByPosition) {
  // 71 + 16 + 100 + 16 + 8 = 211 wide, 3 rows: 4 + 72 + 4 = 80 high.
  std::vector<TGuideRowSizes> rows(3, {{71, 24}, {100, 24}});
  auto place = [&](int position) {
    TGuideLayout layout = LayOutGuide(rows, kScreen, position, kPalette);
    return std::make_pair(layout.formLeft, layout.formTop);
  };
  EXPECT_EQ(place(1), std::make_pair(0, 0));
  EXPECT_EQ(place(2), std::make_pair(0, 768 - 80));
  EXPECT_EQ(place(3), std::make_pair(1024 - 211, 0));
  EXPECT_EQ(place(4), std::make_pair(1024 - 211, 768 - 80));
  const auto centre = std::make_pair(512 - 105, 384 - 40);
  EXPECT_EQ(place(0), centre);
  EXPECT_EQ(place(7), centre);
  EXPECT_EQ(place(-1), centre);
  EXPECT_EQ(place(5), centre);
}

}  // namespace
