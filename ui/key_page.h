// The programs page: assignments, the chord recorder and the app finder.
#pragma once

#include <windows.h>

#include "ui/page.h"

class TKeyPage : public TCapturePage {
 public:
  TKeyPage(TNodraWnd& owner, HWND panel, HFONT font);

  HWND CaptureBox() const override;
  void CaptureKey(UINT virtualKey, LPARAM keystrokeFlags) override;
  void ResetCapture() override;

 private:
  TNodraWnd& owner_;
  HWND panel_;
  HFONT font_;
};
