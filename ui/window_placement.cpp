#include "ui/window_placement.h"

TPlacementPoint SettingsWindowPosition(int screenWidth, int screenHeight, int windowWidth,
                                       int windowHeight, const TPlacementRect& taskbar) {
  TPlacementPoint at{screenWidth - windowWidth, screenHeight - windowHeight};
  if (screenWidth / 2 < taskbar.left) at.x -= taskbar.right - taskbar.left;
  if (screenHeight / 2 < taskbar.top) at.y -= taskbar.bottom - taskbar.top;
  return at;
}

