// The key guide's rows and where they go: the texts of each row and the placement and colours
// of its two labels, computed from the labels' measured sizes. No window here.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "data/dpi_scale.h"
#include "data/monitor_layout.h"
#include "data/setting.h"

class TKeyInfo;
class TKeyNameManager;

struct TGuideSize {
  int width = 0;
  int height = 0;
};

struct TGuideRowText {
  std::string keysText;     // the keys still to press, display names joined by "+" (", " for a sequence)
  std::string programName;
};

// One row per candidate, in their order; `heldCount` keys of each are already typed. With
// more candidates than `mostRows`, the rows that fit and a last one that says how many more
// ("ほか N 件"): the cost stays that of the rows shown, whatever the number of candidates.
std::vector<TGuideRowText> BuildGuideRows(const std::vector<const TKeyInfo*>& candidates,
                                         size_t heldCount, const TKeyNameManager* aliases,
                                         size_t mostRows = SIZE_MAX);
// How many rows of `rowHeight` can fit on a monitor, in columns at least `columnWidth` wide.
size_t GuideRowsThatFit(TGuideSize monitor, int rowHeight, int columnWidth);


struct TGuideRect {
  int left = 0;
  int top = 0;
  int width = 0;
  int height = 0;
};

struct TGuidePalette {
  TColor textColor, progColor, backColor;     // rows 0, 2, 4, ...
  TColor textColor2, progColor2, backColor2;  // rows 1, 3, 5, ...
  TColor edgeColor;                           // the form's background
};

inline TGuidePalette GuidePaletteOf(const TSetting& setting) {
  return {setting.TextColor,  setting.ProgColor,  setting.BackColor, setting.TextColor2,
          setting.ProgColor2, setting.BackColor2, setting.EdgeColor};
}

// The auto-sized labels of one row, as measured in the guide's font.
struct TGuideRowSizes {
  TGuideSize keyLabel;
  TGuideSize programLabel;
};

struct TGuideRowPlacement {
  TGuideRect keyLabel;
  TGuideRect programLabel;
  TColor keyTextColor;
  TColor programTextColor;
  TColor backColor;  // of both labels
};

struct TGuideLayout {
  std::vector<TGuideRowPlacement> rows;
  TGuideSize client;   // also the form's size: the form has no frame
  int formLeft = 0;   // in screen coordinates
  int formTop = 0;
  TColor edgeColor = 0;
};

// Columns of rows from the top, a new column when the next row would not fit the monitor's
// height, a margin of 4 (at `scale`) around them, the form placed on `monitor` by `keyViewPos`
// (0 centre, 1 upper-left, 2 lower-left, 3 upper-right, 4 lower-right, anything else centre).
TGuideLayout LayOutGuide(const std::vector<TGuideRowSizes>& rows, const TPlacementRect& monitor,
                        int keyViewPos, const TGuidePalette& palette, const TScale& scale);
// The same on a 96-DPI screen of `screen` size at (0, 0).
TGuideLayout LayOutGuide(const std::vector<TGuideRowSizes>& rows, TGuideSize screen,
                        int keyViewPos, const TGuidePalette& palette);

// The monitor the guide shows on: that of the foreground window, or of the cursor when there
// is no foreground window.
const TMonitorArea& GuideMonitor(const std::vector<TMonitorArea>& monitors,
                                 const std::optional<TPlacementRect>& foreground,
                                 TPlacementPoint cursor);
