// The monitor the key guide shows on now, from the desktop: that of the foreground window, or
// of the cursor when there is none.
#pragma once

#include <windows.h>

#include "data/monitor_layout.h"

// `guide` itself never counts as the foreground window.
TMonitorArea GuideMonitorNow(HWND guide);
