#include "engine/guide_screen.h"

#include <optional>

#include "engine/guide_layout.h"
#include "toolkit/dpi.h"

TMonitorArea GuideMonitorNow(HWND guide) {
  std::optional<TPlacementRect> foreground;
  HWND window = GetForegroundWindow();
  RECT rect;
  if (window && window != guide && GetWindowRect(window, &rect)) foreground = ToPlacementRect(rect);
  POINT cursor = {0, 0};
  GetCursorPos(&cursor);
  return GuideMonitor(DisplayMonitors(), foreground, {cursor.x, cursor.y});
}
