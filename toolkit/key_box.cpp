#include "toolkit/key_box.h"

#include <commctrl.h>

namespace {

LRESULT CALLBACK KeyBoxWndProc(HWND box, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                               DWORD_PTR) {
  if (message == WM_CONTEXTMENU) {
    if (GetFocus() != box) SetFocus(box);
    return 0;
  }
  if (message == WM_NCDESTROY) RemoveKeyBox(box);
  return DefSubclassProc(box, message, wParam, lParam);
}

}  // namespace

void InstallKeyBox(HWND box) { SetWindowSubclass(box, KeyBoxWndProc, 0, 0); }

void RemoveKeyBox(HWND box) { RemoveWindowSubclass(box, KeyBoxWndProc, 0); }
