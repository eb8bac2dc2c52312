#include "ui/plugin_page.h"

#include "ui/nodra_wnd.h"

TPluginPage::TPluginPage(TNodraWnd& owner, HWND panel, HFONT font)
    : owner_(owner), panel_(panel), font_(font) {}

void TPluginPage::SetPluginPath(const std::string&) {}
