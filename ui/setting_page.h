// The settings page: the key guide's look, its position and the start-up shortcut.
#pragma once

#include <windows.h>

#include "ui/page.h"

class TSettingPage : public TPage {
 public:
  TSettingPage(TNodraWnd& owner, HWND panel, HFONT font);

 private:
  TNodraWnd& owner_;
  HWND panel_;
  HFONT font_;
};
