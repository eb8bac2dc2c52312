// A low-level keyboard event as the in-process keyboard hook would report it, so that the program
// reads one format whichever hook reports.
#pragma once

#include <windows.h>

#include <cstdint>

// The virtual-key code as the keyboard hook gets it: one code for both keys of Shift, Ctrl, Alt.
WPARAM ReportedVirtualKey(DWORD lowLevelKey);

// The keystroke flags: repeat count 1, scan code, extended flag, Alt held, previous state (from
// `wasDown`, what the companion saw of the key before), release.
LPARAM KeystrokeFlagsOf(const KBDLLHOOKSTRUCT& event, bool wasDown);

// Whether the hook itself sent the event on: injected, with its extra-info mark.
bool IsOwnCopy(const KBDLLHOOKSTRUCT& event);

// Which keys are down, as seen in the events so far.
class TDownKeys {
 public:
  // Notes the event; returns whether its key was down before it.
  bool Note(const KBDLLHOOKSTRUCT& event);

 private:
  uint32_t down_[8] = {};
};
