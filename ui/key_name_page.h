// The key-name page: aliases for keys without a platform name.
#pragma once

#include <windows.h>

#include "ui/page.h"

class TKeyNamePage : public TPage {
 public:
  TKeyNamePage(TNodraWnd& owner, HWND panel, HFONT font);

 private:
  TNodraWnd& owner_;
  HWND panel_;
  HFONT font_;
};
