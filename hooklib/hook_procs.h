// The three hook procedures. Each opens the shared block on every call and closes it before
// handing the call on; when the block is gone it hands the call on and touches nothing.
#pragma once

#include <windows.h>

LRESULT CALLBACK KeyboardProc(int code, WPARAM wParam, LPARAM lParam);
LRESULT CALLBACK GetMsgProc(int code, WPARAM wParam, LPARAM lParam);
LRESULT CALLBACK CallWndProc(int code, WPARAM wParam, LPARAM lParam);

// The keyboard hook's per-thread memory: freed for a thread when it ends, and with its slot when
// the library leaves the process.
void FreeThreadKeyState();
void FreeKeyStateSlot();

// The close command reported to the engine is SC_CLOSE exactly, as the library has always matched
// it: one with any of the low four bits set (which the system uses internally) is not reported.
// A window deciding what to do with its own close command masks those bits instead, as the
// settings window does.
inline bool IsCloseCommand(UINT message, WPARAM wParam) {
  return message == WM_SYSCOMMAND && wParam == SC_CLOSE;
}

// WM_ACTIVATE says "activated" in its low word; the high word is the minimised flag.
inline bool IsActivation(UINT message, WPARAM wParam) {
  return message == WM_ACTIVATE && LOWORD(wParam) != WA_INACTIVE;
}
