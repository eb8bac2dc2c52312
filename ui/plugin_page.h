// The plug-in page: registered plug-ins, their macros and values.
#pragma once

#include <windows.h>

#include "ui/page.h"

class TPluginPage : public TPage {
 public:
  TPluginPage(TNodraWnd& owner, HWND panel, HFONT font);

 private:
  TNodraWnd& owner_;
  HWND panel_;
  HFONT font_;
};
