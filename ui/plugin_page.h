// The plug-in page: registered plug-ins, their macros and values.
#pragma once

#include <windows.h>

#include <string>

#include "ui/page.h"

class TPluginPage : public TPage {
 public:
  TPluginPage(TNodraWnd& owner, HWND panel, HFONT font);

  // A file dropped on the window while this page shows: the path of a plug-in to register.
  void SetPluginPath(const std::string& path);

 private:
  TNodraWnd& owner_;
  HWND panel_;
  HFONT font_;
};
