#include "toolkit/tray_icon.h"

#include <cstring>

#include "toolkit/handles.h"

namespace {

NOTIFYICONDATAA IconRecord(HWND owner, HICON icon, const char* tip) {
  NOTIFYICONDATAA data;
  std::memset(&data, 0, sizeof data);
  data.cbSize = NOTIFYICONDATAA_V1_SIZE;
  data.hWnd = owner;
  data.uID = 0;
  data.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
  data.uCallbackMessage = WM_TRAY_NOTIFY;
  data.hIcon = icon;
  std::strncpy(data.szTip, tip, sizeof data.szTip - 1);
  return data;
}

}  // namespace

bool TTrayIcon::Set(HWND owner, HICON icon, bool show) {
  NOTIFYICONDATAA data = IconRecord(owner, icon, "Vakro");
  return Shell_NotifyIconA(show ? NIM_ADD : NIM_DELETE, &data) != FALSE;
}

bool TTrayIcon::Change(HWND owner, HICON icon, const char* tip) {
  NOTIFYICONDATAA data = IconRecord(owner, icon, tip);
  data.uFlags = NIF_ICON | NIF_TIP;
  return Shell_NotifyIconA(NIM_MODIFY, &data) != FALSE;
}

namespace {

UINT_PTR MenuId(TTrayCommand command) { return static_cast<UINT_PTR>(command); }

}  // namespace

TTrayCommand TrackTrayMenu(HWND owner, bool paused) {
  const TMenu menu(CreatePopupMenu());
  AppendMenuA(menu.Get(), MF_STRING, MenuId(TTrayCommand::kShow), "表示(&V)");
  AppendMenuA(menu.Get(), MF_STRING | (paused ? MF_CHECKED : MF_UNCHECKED),
              MenuId(TTrayCommand::kPause), "一時停止(&P)");
  AppendMenuA(menu.Get(), MF_STRING, MenuId(TTrayCommand::kReset), "リセット(&R)");
  AppendMenuA(menu.Get(), MF_SEPARATOR, 0, nullptr);
  AppendMenuA(menu.Get(), MF_STRING, MenuId(TTrayCommand::kExit), "終了(&X)");
  SetMenuDefaultItem(menu.Get(), static_cast<UINT>(MenuId(TTrayCommand::kShow)), FALSE);

  POINT cursor;
  GetCursorPos(&cursor);
  // The owner must be in front, or the menu does not close when the user clicks elsewhere.
  SetForegroundWindow(owner);
  UINT chosen = TrackPopupMenu(menu.Get(), TPM_RETURNCMD | TPM_RIGHTBUTTON | TPM_NONOTIFY,
                               cursor.x, cursor.y, 0, owner, nullptr);
  PostMessageA(owner, WM_NULL, 0, 0);
  return static_cast<TTrayCommand>(chosen);
}
