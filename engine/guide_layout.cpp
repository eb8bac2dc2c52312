#include "engine/guide_layout.h"

#include <algorithm>

#include "data/key_manager.h"
#include "engine/key_display.h"

std::vector<TGuideRowText> BuildGuideRows(const std::vector<const TKeyInfo*>& candidates,
                                         size_t heldCount, const TKeyNameManager* aliases, size_t mostRows) {
  const size_t shown = candidates.size() <= mostRows ? candidates.size() : (mostRows > 0 ? mostRows - 1 : 0);
  std::vector<TGuideRowText> rows;
  rows.reserve(shown + 1);
  for (size_t at = 0; at < shown; ++at) {
    const TKeyInfo* info = candidates[at];
    if (!info) continue;
    const std::string keys = info->IsSequence() ? SequenceDisplayText(info->Keys(), aliases, heldCount)
                                                : ChordDisplayText(info->Keys(), aliases, heldCount);
    rows.push_back({keys, info->ProgramName()});
  }
  if (shown < candidates.size())
    rows.push_back({"ほか " + std::to_string(candidates.size() - shown) + " 件", ""});
  return rows;
}

size_t GuideRowsThatFit(TGuideSize monitor, int rowHeight, int columnWidth) {
  if (rowHeight <= 0 || columnWidth <= 0) return SIZE_MAX;
  const size_t perColumn = static_cast<size_t>(std::max(1, monitor.height / rowHeight));
  const size_t columns = static_cast<size_t>(std::max(1, monitor.width / columnWidth));
  return perColumn * columns;
}

namespace {

const int kMargin = 4;
const int kLabelPadding = 16;

struct WidestLabels {
  int key = 0;
  int program = 0;
};

WidestLabels FindWidestLabels(const std::vector<TGuideRowSizes>& rows) {
  WidestLabels widest;
  for (const TGuideRowSizes& row : rows) {
    widest.key = std::max(widest.key, row.keyLabel.width);
    widest.program = std::max(widest.program, row.programLabel.width);
  }
  return widest;
}

TGuideRowPlacement PlaceRow(const TGuideRowSizes& sizes, size_t index, int left, int top,
                           int keyWidth, int programWidth, const TGuidePalette& palette) {
  const bool even = index % 2 == 0;
  TGuideRowPlacement row;
  row.keyLabel = {left, top, keyWidth, sizes.keyLabel.height};
  row.programLabel = {left + keyWidth, top, programWidth, sizes.programLabel.height};
  row.keyTextColor = even ? palette.textColor : palette.textColor2;
  row.programTextColor = even ? palette.progColor : palette.progColor2;
  row.backColor = even ? palette.backColor : palette.backColor2;
  return row;
}

void PlaceForm(TGuideLayout& layout, const TPlacementRect& monitor, int keyViewPos) {
  const int width = monitor.right - monitor.left;
  const int height = monitor.bottom - monitor.top;
  const int right = width - layout.client.width;
  const int bottom = height - layout.client.height;
  switch (keyViewPos) {
    case 1: layout.formLeft = 0; layout.formTop = 0; break;
    case 2: layout.formLeft = 0; layout.formTop = bottom; break;
    case 3: layout.formLeft = right; layout.formTop = 0; break;
    case 4: layout.formLeft = right; layout.formTop = bottom; break;
    default:
      layout.formLeft = width / 2 - layout.client.width / 2;
      layout.formTop = height / 2 - layout.client.height / 2;
      break;
  }
  layout.formLeft += monitor.left;
  layout.formTop += monitor.top;
}

}  // namespace

TGuideLayout LayOutGuide(const std::vector<TGuideRowSizes>& rows, TGuideSize screen,
                        int keyViewPos, const TGuidePalette& palette) {
  return LayOutGuide(rows, {0, 0, screen.width, screen.height}, keyViewPos, palette, TScale());
}

const TMonitorArea& GuideMonitor(const std::vector<TMonitorArea>& monitors,
                                 const std::optional<TPlacementRect>& foreground,
                                 TPlacementPoint cursor) {
  return foreground ? MonitorOfRect(monitors, *foreground) : MonitorOfPoint(monitors, cursor);
}

TGuideLayout LayOutGuide(const std::vector<TGuideRowSizes>& rows, const TPlacementRect& monitor,
                        int keyViewPos, const TGuidePalette& palette, const TScale& scale) {
  const int margin = scale.Px(kMargin);
  const int screenHeight = monitor.bottom - monitor.top;
  const WidestLabels widest = FindWidestLabels(rows);
  const int keyWidth = widest.key + scale.Px(kLabelPadding);
  const int programWidth = widest.program + scale.Px(kLabelPadding);
  const int columnWidth = keyWidth + programWidth;

  TGuideLayout layout;
  layout.rows.reserve(rows.size());
  int column = 0;
  int y = margin;
  int bottom = 0;
  for (size_t index = 0; index < rows.size(); ++index) {
    const int left = columnWidth * column + margin;
    layout.rows.push_back(PlaceRow(rows[index], index, left, y, keyWidth, programWidth, palette));
    const int height = rows[index].keyLabel.height;
    if (screenHeight < y + 2 * height) {
      // The next row would not fit below this one: it starts the next column.
      bottom = std::max(bottom, y + height);
      y = margin;
      ++column;
    } else {
      y += height;
      bottom = std::max(bottom, y);
    }
  }
  // The last row filled its column exactly: no empty column at the right.
  if (column > 0 && y == margin) --column;

  layout.client = {(column + 1) * columnWidth + 2 * margin, bottom + margin};
  layout.edgeColor = palette.edgeColor;
  PlaceForm(layout, monitor, keyViewPos);
  return layout;
}
