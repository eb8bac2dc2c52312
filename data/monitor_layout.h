// The monitors of the desktop as plain rectangles, and which of them a window or a point is on,
// as the platform answers it (most overlap, else the nearest). No windows here.
#pragma once

#include <vector>

// In screen coordinates; right and bottom are outside.
struct TPlacementRect {
  int left, top, right, bottom;
};

struct TPlacementPoint {
  int x, y;
};

struct TMonitorArea {
  TPlacementRect monitor;  // the whole monitor
  TPlacementRect work;     // without the taskbar and other bars
  int dpi;
};

// The monitor a window with rectangle `window` is on: the one it overlaps most, else the nearest
// one; `monitors` must not be empty.
const TMonitorArea& MonitorOfRect(const std::vector<TMonitorArea>& monitors,
                                  const TPlacementRect& window);
// The monitor showing `point`, else the nearest one; `monitors` must not be empty.
const TMonitorArea& MonitorOfPoint(const std::vector<TMonitorArea>& monitors,
                                   TPlacementPoint point);
