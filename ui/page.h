// One page of the settings window. The main window creates the pages on their tab panels; each
// page registers its controls' handlers in the host's command map as it creates them.
#pragma once

#include <windows.h>

class TPage {
 public:
  virtual ~TPage() = default;
  // Runs whenever the message queue has become empty (button states).
  virtual void OnIdle() {}
};

// A page with a capture box: key events reach it while its box has the focus.
class TCapturePage : public TPage {
 public:
  virtual HWND CaptureBox() const = 0;
  // Whether `window` records keys now: the capture box, or another box of the page.
  virtual bool IsCaptureBox(HWND window) const { return window == CaptureBox(); }
  // A key press while such a box has the focus, Ctrl+Backspace excepted.
  virtual void CaptureKey(UINT virtualKey, LPARAM keystrokeFlags) = 0;
  // A key release while such a box has the focus.
  virtual void CaptureRelease(UINT, LPARAM) {}
  // Ctrl+Backspace in such a box.
  virtual void ResetCapture() = 0;
};
