#include "toolkit/command_map.h"

void TCommandMap::OnCommand(HWND control, WORD code, CommandHandler handler) {
  commands_[{control, code}] = std::move(handler);
}

void TCommandMap::OnNotify(HWND control, UINT code, NotifyHandler handler) {
  notifications_[{control, code}] = std::move(handler);
}

bool TCommandMap::Command(HWND control, WORD code) const {
  const auto found = commands_.find({control, code});
  if (!control || found == commands_.end()) return false;
  const CommandHandler handler = found->second;  // a copy: the handler may change the map
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
