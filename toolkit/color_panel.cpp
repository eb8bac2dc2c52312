#include "toolkit/color_panel.h"

#include "toolkit/handles.h"
#include "toolkit/window.h"

namespace {

const char kClassName[] = "TColorPanel";

void Paint(HWND panel) {
  const TPaintDC paint(panel);
  RECT face;
  GetClientRect(panel, &face);
  DrawEdge(paint.Get(), &face, BDR_RAISEDINNER, BF_RECT | BF_ADJUST);
  const TBrush brush(CreateSolidBrush(ColorPanelColor(panel)));
  FillRect(paint.Get(), &face, brush.Get());
}

void NotifyClick(HWND panel) {
  WORD id = static_cast<WORD>(GetDlgCtrlID(panel));
  SendMessageA(GetParent(panel), WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
               reinterpret_cast<LPARAM>(panel));
}

// A click is a press and a release both inside the panel.
void EndClick(HWND panel, LPARAM at) {
  if (GetCapture() != panel) return;
  ReleaseCapture();
  RECT client;
  GetClientRect(panel, &client);
  POINT point = {static_cast<short>(LOWORD(at)), static_cast<short>(HIWORD(at))};
  if (PtInRect(&client, point)) NotifyClick(panel);
}

LRESULT CALLBACK ColorPanelProc(HWND panel, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_PAINT: Paint(panel); return 0;
    case WM_ERASEBKGND: return 1;
    case WM_LBUTTONDOWN: SetCapture(panel); return 0;
    case WM_LBUTTONUP: EndClick(panel, lParam); return 0;
    default: return DefWindowProcA(panel, message, wParam, lParam);
  }
}

}  // namespace

HWND CreateColorPanel(HWND parent, TControlPlace place, WORD id, COLORREF color) {
  RegisterWindowClassOnce(kClassName, ColorPanelProc);
  HWND panel = CreateWindowExA(0, kClassName, "", WS_CHILD | WS_VISIBLE, place.left, place.top,
                               place.width, place.height, parent,
                               reinterpret_cast<HMENU>(static_cast<UINT_PTR>(id)),
                               GetModuleHandleA(nullptr), nullptr);
  SetColorPanelColor(panel, color);
  return panel;
}

COLORREF ColorPanelColor(HWND panel) {
  return static_cast<COLORREF>(GetWindowLongPtrA(panel, GWLP_USERDATA));
}

void SetColorPanelColor(HWND panel, COLORREF color) {
  SetWindowLongPtrA(panel, GWLP_USERDATA, static_cast<LONG_PTR>(color));
  InvalidateRect(panel, nullptr, TRUE);
}
