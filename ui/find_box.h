// The find box above a page's list: a label, the box the typed text goes into, and the label
// "N / M 件" while the text filters the list. Ctrl+F reaches it through the settings window.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

#include "data/dpi_scale.h"

class TCommandMap;

class TFindBox {
 public:
  // The strip is `kHeight` high at the top of `parent`; `changed` runs on every edit of the text.
  TFindBox(HWND parent, const TScale& scale, HFONT font, WORD editId, WORD countId,
           TCommandMap& commands, std::function<void()> changed);

  static constexpr int kHeight = 25;  // at 96 DPI

  HWND Edit() const { return edit_; }
  std::string Text() const;
  bool Filtering() const { return !Text().empty(); }
  // Empties the box (the list then shows every row again).
  void Clear();
  // The count label: "shown / total 件" while a text filters, nothing otherwise.
  void ShowCount(size_t shown, size_t total);

 private:
  HWND edit_ = nullptr;
  HWND count_ = nullptr;
};
