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

}  // namespace
