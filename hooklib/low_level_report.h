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

// Notes the event in the bits of the keys down (a bit per virtual-key code); returns whether its
// key was down before it.
bool NoteKeyDown(volatile LONG (&keysDown)[8], const KBDLLHOOKSTRUCT& event);
// Whether the bits say the key is down; the generic Shift, Ctrl and Alt codes ask for either key.
bool KeyDownIn(const volatile LONG (&keysDown)[8], UINT virtualKey);
