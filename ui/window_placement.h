// Where the settings window goes when shown: the bottom-right corner of the work area of a
// monitor, beside a taskbar at the bottom or the right, or where the user last put it.
#pragma once

#include <optional>

#include "data/monitor_layout.h"

TPlacementPoint SettingsWindowPosition(int screenWidth, int screenHeight, int windowWidth,
                                       int windowHeight, const TPlacementRect& taskbar);

// The work area of `monitor`, narrowed further by a taskbar lying on one of its edges (some
// shells leave it in the work area they report).
TPlacementRect WorkAreaBesideTaskbar(const TMonitorArea& monitor, const TPlacementRect& taskbar);

// A place the user moved the window to: its offset from the top-left corner of the work area it
// was in, on a monitor of `dpi` dots per inch.
struct TUserPlace {
  int dx, dy, dpi;
};

TUserPlace UserPlaceIn(const TPlacementRect& work, int dpi, TPlacementPoint windowAt);

// The window's top-left corner in `work` on a monitor of `dpi`: the user's place when there is
// one (its offset scaled to this monitor), else the bottom-right corner; always inside the
// work area as far as the window fits.
TPlacementPoint SettingsWindowPlacement(const TPlacementRect& work, int dpi, int windowWidth,
                                        int windowHeight, const std::optional<TUserPlace>& user);
