#include "ui/key_name_page.h"

#include "ui/nodra_wnd.h"

TKeyNamePage::TKeyNamePage(TNodraWnd& owner, HWND panel, HFONT font)
    : owner_(owner), panel_(panel), font_(font) {}

HWND TKeyNamePage::CaptureBox() const { return nullptr; }

void TKeyNamePage::CaptureKey(UINT, LPARAM) {}

void TKeyNamePage::ResetCapture() {}
