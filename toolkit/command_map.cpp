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

bool TCommandMap::Dispatch(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) const {
  result = 0;
  if (message == WM_COMMAND)
    return Command(reinterpret_cast<HWND>(lParam), LOWORD(wParam), HIWORD(wParam));
  if (message == WM_NOTIFY) return Notify(*reinterpret_cast<NMHDR*>(lParam), result);
  return false;
}

// A command that names no control (posted by id, as another program may) finds only a click
// registered by id.
bool TCommandMap::Command(HWND control, WORD id, WORD code) const {
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
