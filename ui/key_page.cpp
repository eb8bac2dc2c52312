#include "ui/key_page.h"

#include "ui/controls.h"
#include "ui/nodra_wnd.h"

TKeyPage::TKeyPage(TNodraWnd& owner, HWND panel, HFONT font)
    : owner_(owner), panel_(panel), font_(font) {}

HWND TKeyPage::CaptureBox() const { return nullptr; }

void TKeyPage::CaptureKey(UINT, LPARAM) {}

void TKeyPage::ResetCapture() {}

void TKeyPage::ShowKeyText(int row, const std::string& text) {
  if (lvKey) SetListCell(lvKey, row, 1, text);
}
