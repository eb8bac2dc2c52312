// The notification-area icon: identifier 0, tip "Vakro", callback WM_TRAY_NOTIFY.
#pragma once

#include <windows.h>

#define WM_TRAY_NOTIFY (WM_APP + 1500)

class TTrayIcon {
 public:
  // Registers (show) or removes the icon owned by `owner`.
  static bool Set(HWND owner, HICON icon, bool show);
  // Changes the picture and tip of the registered icon.
  static bool Change(HWND owner, HICON icon, const char* tip);
};

// The tray menu: 表示(&V) (default, bold), 一時停止(&P) (checked while paused), リセット(&R),
// a separator, 終了(&X).
enum class TTrayCommand { kNone = 0, kShow = 1, kReset = 2, kExit = 3, kPause = 4 };
TTrayCommand TrackTrayMenu(HWND owner, bool paused);
