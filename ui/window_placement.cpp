#include "ui/window_placement.h"

TPlacementPoint SettingsWindowPosition(int screenWidth, int screenHeight, int windowWidth,
                                       int windowHeight, const TPlacementRect& taskbar) {
  TPlacementPoint at{screenWidth - windowWidth, screenHeight - windowHeight};
  if (screenWidth / 2 < taskbar.left) at.x -= taskbar.right - taskbar.left;
  if (screenHeight / 2 < taskbar.top) at.y -= taskbar.bottom - taskbar.top;
  return at;
}

TPlacementRect TaskbarFromWorkArea(int screenWidth, int screenHeight, const TPlacementRect& work) {
  if (work.bottom < screenHeight) return {0, work.bottom, screenWidth, screenHeight};
  if (work.right < screenWidth) return {work.right, 0, screenWidth, screenHeight};
  if (work.top > 0) return {0, 0, screenWidth, work.top};
  if (work.left > 0) return {0, 0, work.left, screenHeight};
  return {0, 0, 0, 0};
}
