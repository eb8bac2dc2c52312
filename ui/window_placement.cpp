#include "ui/window_placement.h"

#include <algorithm>

#include "data/dpi_scale.h"

TPlacementPoint SettingsWindowPosition(int screenWidth, int screenHeight, int windowWidth,
                                       int windowHeight, const TPlacementRect& taskbar) {
  TPlacementPoint at{screenWidth - windowWidth, screenHeight - windowHeight};
  if (screenWidth / 2 < taskbar.left) at.x -= taskbar.right - taskbar.left;
  if (screenHeight / 2 < taskbar.top) at.y -= taskbar.bottom - taskbar.top;
  return at;
}

TPlacementRect WorkAreaBesideTaskbar(const TMonitorArea& monitor, const TPlacementRect& taskbar) {
  TPlacementRect work = monitor.work;
  const TPlacementRect& whole = monitor.monitor;
  const bool onMonitor = taskbar.left < whole.right && taskbar.right > whole.left &&
                         taskbar.top < whole.bottom && taskbar.bottom > whole.top &&
                         taskbar.right > taskbar.left && taskbar.bottom > taskbar.top;
  if (!onMonitor) return work;
  const int middleX = whole.left + (whole.right - whole.left) / 2;
  const int middleY = whole.top + (whole.bottom - whole.top) / 2;
  if (taskbar.left > middleX) work.right = std::min(work.right, taskbar.left);
  else if (taskbar.top > middleY) work.bottom = std::min(work.bottom, taskbar.top);
  else if (taskbar.right < middleX) work.left = std::max(work.left, taskbar.right);
  else if (taskbar.bottom < middleY) work.top = std::max(work.top, taskbar.bottom);
  return work;
}

TUserPlace UserPlaceIn(const TPlacementRect& work, int dpi, TPlacementPoint windowAt) {
  return {windowAt.x - work.left, windowAt.y - work.top, dpi};
}

TPlacementPoint SettingsWindowPlacement(const TPlacementRect& work, int dpi, int windowWidth,
                                        int windowHeight, const std::optional<TUserPlace>& user) {
  const int right = work.right - windowWidth;
  const int bottom = work.bottom - windowHeight;
  if (!user) return {right, bottom};
  const TScale scale(dpi);
  // The right or bottom edge first, so that a window larger than the work area shows its
  // top-left corner.
  const int x = std::max(work.left, std::min(work.left + scale.From(user->dx, user->dpi), right));
  const int y = std::max(work.top, std::min(work.top + scale.From(user->dy, user->dpi), bottom));
  return {x, y};
}
