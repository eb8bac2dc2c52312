#include <gtest/gtest.h>

#include "ui/window_placement.h"

namespace {

// A 1024 x 768 screen and a 436 x 473 window frame.
const int kScreenW = 1024, kScreenH = 768, kWindowW = 436, kWindowH = 473;

TPlacementPoint Place(const TPlacementRect& taskbar) {
  return SettingsWindowPosition(kScreenW, kScreenH, kWindowW, kWindowH, taskbar);
}

TEST(SettingsWindowPosition, SitsOnATaskbarAtTheBottom) {
  TPlacementPoint at = Place({0, 738, 1024, 768});
  EXPECT_EQ(at.x, kScreenW - kWindowW);
  EXPECT_EQ(at.y + kWindowH, 738);
}

TEST(SettingsWindowPosition, TouchesATaskbarAtTheRight) {
  TPlacementPoint at = Place({964, 0, 1024, 768});
  EXPECT_EQ(at.x + kWindowW, 964);
  EXPECT_EQ(at.y, kScreenH - kWindowH);
}

TEST(SettingsWindowPosition, IgnoresATaskbarAtTheLeftOrTopOrNone) {
  for (TPlacementRect taskbar : {TPlacementRect{0, 0, 60, 768}, TPlacementRect{0, 0, 1024, 30},
                                 TPlacementRect{0, 0, 0, 0}}) {
    TPlacementPoint at = Place(taskbar);
    EXPECT_EQ(at.x, kScreenW - kWindowW);
    EXPECT_EQ(at.y, kScreenH - kWindowH);
  }
}

// A 96-DPI monitor at the left whose reported work area ends at the taskbar, and a 144-DPI one
// above it with negative coordinates.
const TMonitorArea kMain{{0, 0, 1024, 768}, {0, 0, 1024, 738}, 96};
const TMonitorArea kUpper{{-300, -1080, 1620, 0}, {-300, -1080, 1620, 0}, 144};

TEST(SettingsWindowPlacement, BottomRightOfTheWorkAreaAsOnTheScreenBeforeIt) {
  const TPlacementRect bottomBar{0, 738, 1024, 768};
  const TPlacementRect work = WorkAreaBesideTaskbar(kMain, bottomBar);
  const TPlacementPoint at = SettingsWindowPlacement(work, 96, kWindowW, kWindowH, std::nullopt);
  const TPlacementPoint before = Place(bottomBar);
  EXPECT_EQ(at.x, before.x);
  EXPECT_EQ(at.y, before.y);
  const TPlacementPoint upper = SettingsWindowPlacement(kUpper.work, 144, 654, 710, std::nullopt);
  EXPECT_EQ(upper.x, 1620 - 654);
  EXPECT_EQ(upper.y, -710);
}

TEST(SettingsWindowPlacement, TaskbarOnEachSideNarrowsTheWorkAreaOfItsMonitorOnly) {
  // A monitor whose reported work area still holds the taskbar.
  const TMonitorArea whole{{1024, 0, 2048, 768}, {1024, 0, 2048, 768}, 96};
  auto work = [&](TPlacementRect bar) { return WorkAreaBesideTaskbar(whole, bar); };
  const TPlacementRect bottom = work({1024, 730, 2048, 768});
  EXPECT_EQ(bottom.bottom, 730);
  EXPECT_EQ(bottom.right, 2048);
  const TPlacementRect right = work({1988, 0, 2048, 768});
  EXPECT_EQ(right.right, 1988);
  EXPECT_EQ(right.bottom, 768);
  const TPlacementRect left = work({1024, 0, 1084, 768});
  EXPECT_EQ(left.left, 1084);
  EXPECT_EQ(left.right, 2048);
  const TPlacementRect top = work({1024, 0, 2048, 30});
  EXPECT_EQ(top.top, 30);
  EXPECT_EQ(top.bottom, 768);
  // The taskbar of another monitor, or none, leaves the reported work area.
  const TPlacementRect other = work({0, 738, 1024, 768});
  EXPECT_EQ(other.bottom, 768);
  EXPECT_EQ(work({0, 0, 0, 0}).bottom, 768);
  // A bar left in the reported area at the bottom or right still has the window beside it.
  const TPlacementPoint at = SettingsWindowPlacement(bottom, 96, kWindowW, kWindowH, std::nullopt);
  EXPECT_EQ(at.y + kWindowH, 730);
}

TEST(SettingsWindowPlacement, KeepsTheUsersPlaceInsideTheWorkArea) {
  const TPlacementRect work = kMain.work;
  const TUserPlace user = UserPlaceIn(work, 96, {100, 50});
  TPlacementPoint at = SettingsWindowPlacement(work, 96, kWindowW, kWindowH, user);
  EXPECT_EQ(at.x, 100);
  EXPECT_EQ(at.y, 50);
  // On the 144-DPI monitor above, the same place relative to its work area, scaled.
  at = SettingsWindowPlacement(kUpper.work, 144, 654, 710, user);
  EXPECT_EQ(at.x, -300 + 150);
  EXPECT_EQ(at.y, -1080 + 75);
  // Dragged partly off the monitor: brought back inside, right and bottom edges first.
  for (TPlacementPoint off : {TPlacementPoint{900, 600}, TPlacementPoint{-200, -90}}) {
    at = SettingsWindowPlacement(work, 96, kWindowW, kWindowH, UserPlaceIn(work, 96, off));
    EXPECT_GE(at.x, 0);
    EXPECT_GE(at.y, 0);
    EXPECT_LE(at.x + kWindowW, 1024);
    EXPECT_LE(at.y + kWindowH, 738);
  }
  // A window larger than the work area shows its top-left corner.
  at = SettingsWindowPlacement(work, 96, 2000, 900, user);
  EXPECT_EQ(at.x, 0);
  EXPECT_EQ(at.y, 0);
}

}  // namespace
