// Which Ctrl keys are held down, from the key events the capture boxes see: left and right by
// key code, so auto-repeat and a Ctrl released elsewhere never leave it wrong for long.
#pragma once

#include <cstdint>

class TCtrlKeys {
 public:
  // Feeds one key event (virtual-key code, keystroke flags).
  void Update(uint32_t virtualKey, uint32_t keystrokeFlags);
  bool AnyHeld() const { return left_ || right_; }
  void Clear() { left_ = right_ = false; }
  // Takes the state from the system, for events the capture did not see.
  void Set(bool leftHeld, bool rightHeld) {
    left_ = leftHeld;
    right_ = rightHeld;
  }

 private:
  bool left_ = false;
  bool right_ = false;
};

// Whether a key event is a press of Backspace while a Ctrl key is held: the capture's reset.
bool IsCtrlBackspace(const TCtrlKeys& ctrl, uint32_t virtualKey, uint32_t keystrokeFlags);
