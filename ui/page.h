// One page of the settings window. The main window creates the pages on their tab panels and
// hands each the commands and notifications of its controls, and the idle call.
#pragma once

#include <windows.h>
#include <commctrl.h>

class TNodraWnd;

class TPage {
 public:
  virtual ~TPage() = default;
  // True when the page handled the command of one of its controls.
  virtual bool OnCommand(WORD id, WORD code, HWND control) {
    (void)id, (void)code, (void)control;
    return false;
  }
  virtual bool OnNotify(const NMHDR& header, LRESULT& result) {
    (void)header, (void)result;
    return false;
  }
  // Runs whenever the message queue has become empty (button states).
  virtual void OnIdle() {}
};
