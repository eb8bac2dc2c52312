// What happens when a control is used, registered beside the code that creates the control: a
// window or panel hands its WM_COMMAND and WM_NOTIFY here, and the map runs the handler
// registered for that control and notification code.
#pragma once

#include <windows.h>

#include <functional>
#include <map>
#include <utility>

class TCommandMap {
 public:
  using CommandHandler = std::function<void()>;
  // The handler's result is the result of the WM_NOTIFY message.
  using NotifyHandler = std::function<LRESULT(NMHDR& header)>;

  // `code` is the control's notification code: BN_CLICKED (also a tool bar's click),
  // EN_SETFOCUS, ...
  void OnCommand(HWND control, WORD code, CommandHandler handler);
  void OnClick(HWND control, CommandHandler handler) {
    OnCommand(control, BN_CLICKED, std::move(handler));
  }
  void OnNotify(HWND control, UINT code, NotifyHandler handler);
  // A click by id, from whichever control carries it or from no control at all: for a window
  // that answers its commands before it has made its buttons.
  void OnClickId(WORD id, CommandHandler handler);

  // WM_COMMAND and WM_NOTIFY of `window`'s children; true when a handler ran. A command that
  // names no control (posted by id, as a menu or another program would) is the control's
  // whose id it carries.
  bool Command(HWND window, WPARAM wParam, LPARAM lParam) const;
  bool Notify(NMHDR& header, LRESULT& result) const;

 private:
  std::map<std::pair<HWND, UINT>, CommandHandler> commands_;
  std::map<WORD, CommandHandler> clicksById_;
  std::map<std::pair<HWND, UINT>, NotifyHandler> notifications_;
};
