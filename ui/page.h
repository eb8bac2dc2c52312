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
  // A key press (never a release) while the box has the focus, Ctrl+Backspace excepted.
  virtual void CaptureKey(UINT virtualKey, LPARAM keystrokeFlags) = 0;
  // Ctrl+Backspace in the box.
  virtual void ResetCapture() = 0;
};
