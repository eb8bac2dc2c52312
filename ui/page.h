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

// A page with a capture box: key events reach it while its box has the focus.
class TCapturePage : public TPage {
 public:
  virtual HWND CaptureBox() const = 0;
  // A key press (never a release) while the box has the focus, Ctrl+Backspace excepted.
  virtual void CaptureKey(UINT virtualKey, LPARAM keystrokeFlags) = 0;
  // Ctrl+Backspace in the box.
  virtual void ResetCapture() = 0;
};
