// The least a resident tray program does at start: one window, one tray icon, then its title
// says "ready". The start-up benchmark measures vakro against it.
#include <windows.h>
#include <shellapi.h>

#include <cstring>

namespace {

LRESULT CALLBACK MinimalProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_CLOSE) {
    PostQuitMessage(0);
    return 0;
  }
  return DefWindowProcA(window, message, wParam, lParam);
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  WNDCLASSA windowClass = {};
  windowClass.lpfnWndProc = MinimalProc;
  windowClass.hInstance = instance;
  windowClass.lpszClassName = "MinimalTray";
  RegisterClassA(&windowClass);
  HWND window = CreateWindowExA(0, "MinimalTray", "", WS_OVERLAPPEDWINDOW, 0, 0, 100, 100, nullptr,
                                nullptr, instance, nullptr);
  NOTIFYICONDATAA icon = {};
  icon.cbSize = NOTIFYICONDATAA_V1_SIZE;
  icon.hWnd = window;
  icon.uFlags = NIF_ICON | NIF_TIP;
  icon.hIcon = LoadIcon(nullptr, IDI_APPLICATION);
  std::strcpy(icon.szTip, "minimal");
  Shell_NotifyIconA(NIM_ADD, &icon);
  SetWindowTextA(window, "ready");
  MSG message;
  while (GetMessageA(&message, nullptr, 0, 0) > 0) DispatchMessageA(&message);
  Shell_NotifyIconA(NIM_DELETE, &icon);
  return 0;
}
