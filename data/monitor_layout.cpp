#include "data/monitor_layout.h"

#include <algorithm>
#include <cstdint>

namespace {

int64_t OverlapArea(const TPlacementRect& a, const TPlacementRect& b) {
  const int64_t width = std::min(a.right, b.right) - std::max(a.left, b.left);
  const int64_t height = std::min(a.bottom, b.bottom) - std::max(a.top, b.top);
  return width > 0 && height > 0 ? width * height : 0;
}

// How far apart two rectangles are along each axis (0 where they overlap on it), squared.
int64_t SquaredGap(const TPlacementRect& a, const TPlacementRect& b) {
  const int64_t dx = std::max({0, b.left - a.right, a.left - b.right});
  const int64_t dy = std::max({0, b.top - a.bottom, a.top - b.bottom});
  return dx * dx + dy * dy;
}

}  // namespace

const TMonitorArea& MonitorOfRect(const std::vector<TMonitorArea>& monitors,
                                  const TPlacementRect& window) {
  const TMonitorArea* best = &monitors.front();
  int64_t bestOverlap = -1;
  for (const TMonitorArea& area : monitors) {
    const int64_t overlap = OverlapArea(area.monitor, window);
    if (overlap > bestOverlap) {
      best = &area;
      bestOverlap = overlap;
    }
  }
  if (bestOverlap > 0) return *best;
  int64_t bestGap = -1;
  for (const TMonitorArea& area : monitors) {
    const int64_t gap = SquaredGap(area.monitor, window);
    if (bestGap < 0 || gap < bestGap) {
      best = &area;
      bestGap = gap;
    }
  }
  return *best;
}

const TMonitorArea& MonitorOfPoint(const std::vector<TMonitorArea>& monitors,
                                   TPlacementPoint point) {
  return MonitorOfRect(monitors, {point.x, point.y, point.x + 1, point.y + 1});
}
