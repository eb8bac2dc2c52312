// What happens when a control is used, registered beside the code that creates the control: a
// window or panel hands its messages here, and the map runs the handler registered for the
// control and notification code of a WM_COMMAND or WM_NOTIFY.
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

  // True when the message was a command or notification with a handler, which ran; `result`
  // is then the message's result.
  bool Dispatch(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) const;

 private:
  bool Command(HWND control, WORD id, WORD code) const;
  bool Notify(NMHDR& header, LRESULT& result) const;

  std::map<std::pair<HWND, UINT>, CommandHandler> commands_;
  std::map<WORD, CommandHandler> clicksById_;
  std::map<std::pair<HWND, UINT>, NotifyHandler> notifications_;
};
