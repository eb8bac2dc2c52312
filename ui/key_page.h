// The programs page: assignments, the chord recorder and the app finder.
#pragma once

#include <windows.h>

#include <string>

#include "ui/page.h"

class TKeyPage : public TCapturePage {
 public:
  TKeyPage(TNodraWnd& owner, HWND panel, HFONT font);

  HWND CaptureBox() const override;
  void CaptureKey(UINT virtualKey, LPARAM keystrokeFlags) override;
  void ResetCapture() override;

  // Shows `text` in the "キー" column of row `row` of lvKey.
  void ShowKeyText(int row, const std::string& text);

 private:
  TNodraWnd& owner_;
  HWND panel_;
  HFONT font_;
  HWND lvKey = nullptr;
};
