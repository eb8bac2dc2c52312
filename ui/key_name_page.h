// The key-name page: aliases for keys without a platform name.
#pragma once

#include <windows.h>

#include "ui/page.h"

class TKeyNamePage : public TCapturePage {
 public:
  TKeyNamePage(TNodraWnd& owner, HWND panel, HFONT font);

  HWND CaptureBox() const override;
  void CaptureKey(UINT virtualKey, LPARAM keystrokeFlags) override;
  void ResetCapture() override;

 private:
  TNodraWnd& owner_;
  HWND panel_;
  HFONT font_;
};
