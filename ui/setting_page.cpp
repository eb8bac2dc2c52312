#include "ui/setting_page.h"

#include "ui/nodra_wnd.h"

TSettingPage::TSettingPage(TNodraWnd& owner, HWND panel, HFONT font)
    : owner_(owner), panel_(panel), font_(font) {}
