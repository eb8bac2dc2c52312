// A low-level keyboard event as the in-process keyboard hook would report it: the companion hooks
// the keys of 64-bit programs with a low-level hook and reports them in the same format, so the
// dispatcher cannot tell the two apart.
#pragma once

#include <windows.h>

#include <cstdint>

// The virtual-key code as the keyboard hook gets it: one code for both keys of Shift, Ctrl, Alt.
WPARAM ReportedVirtualKey(DWORD lowLevelKey);

// The keystroke flags: repeat count 1, scan code, extended flag, Alt held, previous state (from
// `wasDown`, what the companion saw of the key before), release.
LPARAM KeystrokeFlagsOf(const KBDLLHOOKSTRUCT& event, bool wasDown);

// Whether vakro itself sent the event again: injected, with its extra-info mark.
bool IsResentLowLevelEvent(const KBDLLHOOKSTRUCT& event);

// The NL_STATE_* bits of the keyboard's state as the event comes (before it), for a withheld one.
uint8_t AsyncKeyState();

// Which keys are down, as seen in the events so far.
class TDownKeys {
 public:
  // Notes the event; returns whether its key was down before it.
  bool Note(const KBDLLHOOKSTRUCT& event);

 private:
  uint32_t down_[8] = {};
};
