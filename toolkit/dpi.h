// The dots per inch of windows and monitors, and the platform's sizes at a given DPI. The newer
// entry points are looked up at run time; where a system lacks them, the screen's one DPI
// (GetDeviceCaps LOGPIXELSX) stands for every monitor.
#pragma once

#include <windows.h>

#include <vector>

#include "data/dpi_scale.h"
#include "data/monitor_layout.h"

// Sent to a top-level window that moved to a monitor of another DPI; older headers lack it.
#ifndef WM_DPICHANGED
#define WM_DPICHANGED 0x02E0
#endif

int SystemDpi();
int WindowDpi(HWND window);
int MonitorDpi(HMONITOR monitor);
inline TScale WindowScale(HWND window) { return TScale(WindowDpi(window)); }

// Every monitor of the desktop with its work area and DPI; the primary screen when the system
// lists none.
std::vector<TMonitorArea> DisplayMonitors();
TPlacementRect ToPlacementRect(const RECT& rect);

// The outer size of a window of `style` whose client area is `width` x `height` at `dpi`.
SIZE FrameSizeForClient(int width, int height, DWORD style, DWORD exStyle, int dpi);
// GetSystemMetrics as the system answers it for `dpi` (icon sizes and the like).
int SystemMetricForDpi(int index, int dpi);

// Lays out the descendants of `window` again for `toDpi` after it moved from a monitor of
// `fromDpi`: places and sizes, list columns and the font (when the child had one).
void RescaleChildren(HWND window, int fromDpi, int toDpi, HFONT font);
