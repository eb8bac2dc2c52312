#include "toolkit/dpi.h"

#include <commctrl.h>

#include <cstring>

#include "toolkit/handles.h"

namespace {

template <typename Function>
Function Lookup(const char* library, const char* name) {
  HMODULE module = GetModuleHandleA(library);
  if (!module) module = LoadLibraryA(library);  // shcore: loaded once, kept for the process
  return module ? reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(module, name)))
                : nullptr;
}

using TGetDpiForWindow = UINT(WINAPI*)(HWND);
using TGetDpiForSystem = UINT(WINAPI*)();
using TGetDpiForMonitor = HRESULT(WINAPI*)(HMONITOR, int, UINT*, UINT*);
using TAdjustWindowRectExForDpi = BOOL(WINAPI*)(RECT*, DWORD, BOOL, DWORD, UINT);
using TGetSystemMetricsForDpi = int(WINAPI*)(int, UINT);
const int kEffectiveDpi = 0;  // MDT_EFFECTIVE_DPI

int ScreenDpi() {
  const TWindowDC screen(nullptr);
  return GetDeviceCaps(screen.Get(), LOGPIXELSX);
}

BOOL CALLBACK AddMonitor(HMONITOR monitor, HDC, RECT*, LPARAM list) {
  MONITORINFO info = {};
  info.cbSize = sizeof info;
  if (GetMonitorInfoA(monitor, &info))
    reinterpret_cast<std::vector<TMonitorArea>*>(list)->push_back(
        {ToPlacementRect(info.rcMonitor), ToPlacementRect(info.rcWork), MonitorDpi(monitor)});
  return TRUE;
}

}  // namespace

int SystemDpi() {
  static const TGetDpiForSystem getDpi = Lookup<TGetDpiForSystem>("user32.dll", "GetDpiForSystem");
  return TScale(getDpi ? static_cast<int>(getDpi()) : ScreenDpi()).Dpi();
}

int WindowDpi(HWND window) {
  static const TGetDpiForWindow getDpi = Lookup<TGetDpiForWindow>("user32.dll", "GetDpiForWindow");
  const int dpi = getDpi && window ? static_cast<int>(getDpi(window)) : 0;
  return dpi > 0 ? dpi : SystemDpi();
}

int MonitorDpi(HMONITOR monitor) {
  static const TGetDpiForMonitor getDpi = Lookup<TGetDpiForMonitor>("shcore.dll", "GetDpiForMonitor");
  UINT x = 0, y = 0;
  if (getDpi && monitor && getDpi(monitor, kEffectiveDpi, &x, &y) == S_OK && x > 0)
    return static_cast<int>(x);
  return SystemDpi();
}

TPlacementRect ToPlacementRect(const RECT& rect) {
  return {rect.left, rect.top, rect.right, rect.bottom};
}

std::vector<TMonitorArea> DisplayMonitors() {
  std::vector<TMonitorArea> monitors;
  EnumDisplayMonitors(nullptr, nullptr, AddMonitor, reinterpret_cast<LPARAM>(&monitors));
  if (monitors.empty()) {
    const TPlacementRect screen{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    monitors.push_back({screen, screen, SystemDpi()});
  }
  return monitors;
}

SIZE FrameSizeForClient(int width, int height, DWORD style, DWORD exStyle, int dpi) {
  static const TAdjustWindowRectExForDpi adjust =
      Lookup<TAdjustWindowRectExForDpi>("user32.dll", "AdjustWindowRectExForDpi");
  RECT frame = {0, 0, width, height};
  if (!adjust || !adjust(&frame, style, FALSE, exStyle, static_cast<UINT>(dpi)))
    AdjustWindowRectEx(&frame, style, FALSE, exStyle);
  return {frame.right - frame.left, frame.bottom - frame.top};
}

int SystemMetricForDpi(int index, int dpi) {
  static const TGetSystemMetricsForDpi metric =
      Lookup<TGetSystemMetricsForDpi>("user32.dll", "GetSystemMetricsForDpi");
  return metric ? metric(index, static_cast<UINT>(dpi)) : GetSystemMetrics(index);
}

namespace {

struct TChildPlace {
  HWND window;
  RECT place;  // in its parent's client coordinates
};

bool IsClass(HWND window, const char* name) {
  char className[32] = {};
  GetClassNameA(window, className, sizeof className);
  return std::strcmp(className, name) == 0;
}

BOOL CALLBACK CollectChild(HWND child, LPARAM list) {
  RECT rect;
  GetWindowRect(child, &rect);
  // A drop-down list's height is that of its open list.
  if (IsClass(child, WC_COMBOBOXA))
    SendMessageA(child, CB_GETDROPPEDCONTROLRECT, 0, reinterpret_cast<LPARAM>(&rect));
  MapWindowPoints(nullptr, GetParent(child), reinterpret_cast<POINT*>(&rect), 2);
  reinterpret_cast<std::vector<TChildPlace>*>(list)->push_back({child, rect});
  return TRUE;
}

void RescaleColumns(HWND list, const TScale& to, int fromDpi) {
  HWND header = reinterpret_cast<HWND>(SendMessageA(list, LVM_GETHEADER, 0, 0));
  const int count = header ? static_cast<int>(SendMessageA(header, HDM_GETITEMCOUNT, 0, 0)) : 0;
  for (int column = 0; column < count; ++column) {
    const int width = static_cast<int>(SendMessageA(list, LVM_GETCOLUMNWIDTH, column, 0));
    SendMessageA(list, LVM_SETCOLUMNWIDTH, column, to.From(width, fromDpi));
  }
}

}  // namespace

void RescaleChildren(HWND window, int fromDpi, int toDpi, HFONT font) {
  // Every place is read before any is changed: a parent's new size lays its children out
  // anew, and each child then takes its own place scaled from before.
  std::vector<TChildPlace> children;
  EnumChildWindows(window, CollectChild, reinterpret_cast<LPARAM>(&children));
  const TScale to(toDpi);
  for (const TChildPlace& child : children) {
    const RECT& r = child.place;
    const int left = to.From(r.left, fromDpi), top = to.From(r.top, fromDpi);
    SetWindowPos(child.window, nullptr, left, top, to.From(r.right, fromDpi) - left,
                 to.From(r.bottom, fromDpi) - top, SWP_NOZORDER | SWP_NOACTIVATE);
    if (font && SendMessageA(child.window, WM_GETFONT, 0, 0))
      SendMessageA(child.window, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
    if (IsClass(child.window, WC_LISTVIEWA)) RescaleColumns(child.window, to, fromDpi);
  }
}
