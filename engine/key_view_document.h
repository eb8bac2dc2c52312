// The key guide's rows: for each, a label with the keys still to press and one with the
// program name, both sized to their text in the guide's font.
#pragma once

#include <windows.h>

#include <vector>

#include "data/setting.h"
#include "engine/guide_layout.h"
#include "toolkit/handles.h"

class TKeyViewDocument {
 public:
  explicit TKeyViewDocument(HWND owner) : owner_(owner) {}
  TKeyViewDocument(const TKeyViewDocument&) = delete;
  TKeyViewDocument& operator=(const TKeyViewDocument&) = delete;

  void Clear();
  void AddRow(const std::string& keysText, const std::string& programName, HFONT font);
  int RowCount() const { return static_cast<int>(keyLabels_.size()); }
  bool GetRow(int index, HWND& keyLabel, HWND& programLabel) const;
  int MaxKeyWidth() const { return maxKeyWidth_; }
  int MaxProgramWidth() const { return maxProgramWidth_; }

  // The measured sizes, and placing the labels where the layout says with its colours.
  std::vector<TGuideRowSizes> RowSizes() const;
  void Apply(const TGuideLayout& layout);
  // WM_CTLCOLORSTATIC for one of the labels; null when it is not one of them.
  HBRUSH LabelColors(HWND label, HDC dc);

 private:
  struct Label {
    TOwnedWindow window;
    TGuideSize size;
    TColor text = 0;
    TColor back = 0;
  };
  Label CreateLabel(const std::string& text, HFONT font);
  HBRUSH BrushFor(TColor color);

  HWND owner_;
  // Before the labels, so that the labels go first.
  std::vector<std::pair<TColor, TBrush>> brushes_;
  std::vector<Label> keyLabels_;
  std::vector<Label> programLabels_;
  int maxKeyWidth_ = 0;
  int maxProgramWidth_ = 0;
};
