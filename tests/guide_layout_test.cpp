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

TEST(TScale, RoundsLengthsAndKeepsPointSizes) {
  const TScale base, larger(120), large(144);
  EXPECT_EQ(base.Px(17), 17);
  EXPECT_EQ(larger.Px(17), 21);  // 21.25
  EXPECT_EQ(large.Px(17), 26);   // 25.5 rounds up
  EXPECT_EQ(large.Px(-3), -5);   // -4.5 rounds away from zero, as lengths to the left do
  EXPECT_EQ(large.From(26, 144), 26);
  EXPECT_EQ(larger.From(36, 144), 30);
  EXPECT_EQ(base.FontHeight(9), -12);
  EXPECT_EQ(large.FontHeight(9), -18);
  EXPECT_EQ(large.Points(-18), 9);
  EXPECT_EQ(large.Points(18), 9);
  EXPECT_EQ(TScale(0).Dpi(), kBaseDpi);
  EXPECT_EQ(TScale::Convert(5, 0, 96), 0);
}

// Two monitors side by side, the right one at 144 DPI, and one above the left one.
const TMonitorArea kLeft{{0, 0, 1024, 768}, {0, 0, 1024, 740}, 96};
const TMonitorArea kRight{{1024, 0, 2944, 1080}, {1024, 0, 2944, 1040}, 144};
const TMonitorArea kAbove{{-200, -1080, 1720, 0}, {-200, -1080, 1720, 0}, 120};
const std::vector<TMonitorArea> kMonitors{kLeft, kRight, kAbove};

TEST(TGuideLayout, ScalesItsEdgeAndPaddingAndWrapsAtItsMonitor) {
  // 144 DPI: a margin of 6 and labels 24 wider than their text; rows of 36 on a monitor 1080
  // high end a column at 6 + 28 * 36 = 1014 (1014 + 72 > 1080).
  TGuideLayout layout = LayOutGuide(Rows(31, 36), kRight.monitor, 1, kPalette, TScale(144));
  EXPECT_EQ(layout.rows[0].keyLabel.left, 6);
  EXPECT_EQ(layout.rows[0].keyLabel.top, 6);
  EXPECT_EQ(layout.rows[0].keyLabel.width, 50 + 24);
  EXPECT_EQ(layout.rows[0].programLabel.left, 6 + 74);
  EXPECT_EQ(layout.rows[0].programLabel.width, 80 + 24);
  EXPECT_EQ(layout.rows[28].keyLabel.top, 6 + 28 * 36);
  EXPECT_EQ(layout.rows[29].keyLabel.top, 6);
  EXPECT_EQ(layout.rows[29].keyLabel.left, 74 + 104 + 6);
  EXPECT_EQ(layout.client.width, 2 * (74 + 104) + 12);
  EXPECT_EQ(layout.client.height, 6 + 29 * 36 + 6);
  // The same rows at 96 DPI on a screen of that size are laid out as they always were.
  TGuideLayout base = LayOutGuide(Rows(31, 36), TGuideSize{1920, 1080}, 1, kPalette);
  TGuideLayout baseOnMonitor =
      LayOutGuide(Rows(31, 36), TPlacementRect{0, 0, 1920, 1080}, 1, kPalette, TScale());
  EXPECT_EQ(base.client.width, baseOnMonitor.client.width);
  EXPECT_EQ(base.rows[30].keyLabel.top, baseOnMonitor.rows[30].keyLabel.top);
  EXPECT_EQ(base.rows[0].keyLabel.width, 66);
}

TEST(TGuideLayout, FormPlacedOnItsMonitorByPosition) {
  // 2 rows of 24: 50 + 16 + 80 + 16 + 8 = 170 wide, 4 + 48 + 4 = 56 high at 96 DPI.
  auto place = [&](const TMonitorArea& area, int position) {
    TGuideLayout layout = LayOutGuide(Rows(2), area.monitor, position, kPalette, TScale());
    return std::make_pair(layout.formLeft, layout.formTop);
  };
  EXPECT_EQ(place(kRight, 1), std::make_pair(1024, 0));
  EXPECT_EQ(place(kRight, 4), std::make_pair(2944 - 170, 1080 - 56));
  EXPECT_EQ(place(kRight, 0), std::make_pair(1024 + 960 - 85, 540 - 28));
  EXPECT_EQ(place(kAbove, 1), std::make_pair(-200, -1080));
  EXPECT_EQ(place(kAbove, 2), std::make_pair(-200, -56));
  EXPECT_EQ(place(kAbove, 3), std::make_pair(1720 - 170, -1080));
  EXPECT_EQ(place(kAbove, 0), std::make_pair(-200 + 960 - 85, -1080 + 540 - 28));
}

TEST(GuideMonitor, IsTheForegroundWindowsElseTheCursors) {
  // Mostly on the right monitor, though its corner is on the left one.
  EXPECT_EQ(GuideMonitor(kMonitors, TPlacementRect{1000, 100, 1600, 500}, {10, 10}).dpi, 144);
  EXPECT_EQ(GuideMonitor(kMonitors, TPlacementRect{100, -300, 400, 200}, {2000, 10}).dpi, 120);
  // A minimised window lies far off every monitor: the nearest one counts.
  EXPECT_EQ(GuideMonitor(kMonitors, TPlacementRect{-32000, -32000, -31840, -31970}, {2000, 10})
                .monitor.top, -1080);
  EXPECT_EQ(GuideMonitor(kMonitors, std::nullopt, {2000, 10}).dpi, 144);
  EXPECT_EQ(GuideMonitor(kMonitors, std::nullopt, {-100, -5}).dpi, 120);
  EXPECT_EQ(GuideMonitor(kMonitors, std::nullopt, {0, 0}).dpi, 96);
  // Below the left monitor, where no monitor is: the left one is nearest.
  EXPECT_EQ(GuideMonitor(kMonitors, std::nullopt, {500, 900}).dpi, 96);
  EXPECT_EQ(GuideMonitor({kLeft}, TPlacementRect{5000, 5000, 5100, 5100}, {0, 0}).dpi, 96);
}

}  // namespace

// A first key shared by hundreds of chords: the rows that fit and one that says how many more,
// built at the cost of the rows shown.
TEST(GuideRows, MoreCandidatesThanFitEndInARowSayingHowManyMore) {
  TKeyManager keys;
  std::vector<const TKeyInfo*> candidates;
  for (int at = 0; at < 300; ++at) {
    keys.Add({"000029", "000045"}, "C:\\p.exe", "", "", "p" + std::to_string(at), "", false);
    candidates.push_back(keys.Get(at));
  }
  const size_t fit = GuideRowsThatFit({1024, 768}, 16, 120);
  EXPECT_EQ(fit, 48u * 8u);
  EXPECT_EQ(BuildGuideRows(candidates, 1, nullptr, fit).size(), 300u);
  const std::vector<TGuideRowText> rows = BuildGuideRows(candidates, 1, nullptr, 40);
  ASSERT_EQ(rows.size(), 40u);
  EXPECT_EQ(rows[38].programName, "p38");
  EXPECT_EQ(rows[39].keysText, "ほか 261 件");
  EXPECT_EQ(GuideRowsThatFit({1024, 768}, 0, 120), SIZE_MAX);
}
