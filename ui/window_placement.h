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

// The taskbar as the part of the screen outside the work area, for when the shell cannot say
// where its taskbar is: the strip at the bottom, right, top or left; empty when there is none.
TPlacementRect TaskbarFromWorkArea(int screenWidth, int screenHeight, const TPlacementRect& work);
