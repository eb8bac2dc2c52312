#include "toolkit/command_map.h"

void TCommandMap::OnCommand(HWND control, WORD code, CommandHandler handler) {
  commands_[{control, code}] = std::move(handler);
}

void TCommandMap::OnNotify(HWND control, UINT code, NotifyHandler handler) {
  notifications_[{control, code}] = std::move(handler);
}

void TCommandMap::OnClickId(WORD id, CommandHandler handler) {
  clicksById_[id] = std::move(handler);
}

bool TCommandMap::Command(HWND window, WPARAM wParam, LPARAM lParam) const {
  const WORD id = LOWORD(wParam);
  const WORD code = HIWORD(wParam);
  HWND control = lParam ? reinterpret_cast<HWND>(lParam) : GetDlgItem(window, id);
  CommandHandler handler;  // a copy: the handler may change the map
  if (const auto found = commands_.find({control, code}); control && found != commands_.end())
    handler = found->second;
  else if (const auto byId = clicksById_.find(id); code == BN_CLICKED && byId != clicksById_.end())
    handler = byId->second;
  if (!handler) return false;
  handler();
  return true;
}

bool TCommandMap::Notify(NMHDR& header, LRESULT& result) const {
  const auto found = notifications_.find({header.hwndFrom, header.code});
  if (found == notifications_.end()) return false;
  const NotifyHandler handler = found->second;
  result = handler(header);
  return true;
}
