// The programs page: assignments, the chord recorder and the app finder.
#pragma once

#include <windows.h>

#include "ui/page.h"

class TKeyPage : public TPage {
 public:
  TKeyPage(TNodraWnd& owner, HWND panel, HFONT font);

 private:
  TNodraWnd& owner_;
  HWND panel_;
  HFONT font_;
};
