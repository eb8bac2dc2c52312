// Where the settings window goes when shown: the bottom-right corner of the screen, beside a
// taskbar at the bottom or the right.
#pragma once

struct TPlacementRect {
  int left, top, right, bottom;
};

struct TPlacementPoint {
  int x, y;
};

TPlacementPoint SettingsWindowPosition(int screenWidth, int screenHeight, int windowWidth,
                                       int windowHeight, const TPlacementRect& taskbar);

