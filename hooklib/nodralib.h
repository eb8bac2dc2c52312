// NodraLib: the keyboard-hook library's exports and the window messages it posts.
// Shared by the library and the program; plain C types so no C++ object crosses the boundary.
#pragma once

#include <windows.h>

#define WM_HOOK_KEY (WM_APP + 500)       // wParam virtual-key code, lParam keystroke flags
#define WM_FIND_REQUEST (WM_APP + 600)   // posted by the finder to any window; 0, 0
#define WM_FIND_REPLY (WM_APP + 601)     // wParam the window asked, lParam 0
#define WM_HOOK_ACTIVATE (WM_APP + 602)  // wParam the activated top-level window
#define WM_HOOK_CLOSE (WM_APP + 603)     // a close command was seen; 0, 0

#include "hooklib/key_protocol.h"

#define DISPATCH_SWALLOW 0
#define DISPATCH_PASS 1

// Size of each finder field in the shared block, terminator included.
#define NL_FIND_FIELD_SIZE 261

#ifdef NODRALIB_BUILD
#define NODRALIB_API
#else
#define NODRALIB_API __declspec(dllimport)
#endif

#ifdef __cplusplus
extern "C" {
#endif

// Makes the shared block and installs the hooks for engineWindow; 0 when the block could not be
// made or the keyboard hook not installed (then there are no hot keys).
NODRALIB_API BOOL WINAPI nlStartHook(HWND engineWindow);
NODRALIB_API BOOL WINAPI nlReleaseHook(void);
NODRALIB_API signed char WINAPI nlSetDispatchMode(signed char mode);
NODRALIB_API BOOL WINAPI nlGetFindModulePath(char* buffer, int count);
NODRALIB_API BOOL WINAPI nlGetFindModuleCommand(char* buffer, int count);
// What nlStartHooks installs and switches on. nlStartHook is nlStartHooks with the three hooks
// and nothing else: every key reported, withheld while the mode is not 1, however long.
#define NL_HOOK_KEYBOARD 0x01      // WH_KEYBOARD in every program of the library's bitness
#define NL_HOOK_GETMESSAGE 0x02    // the app finder and close commands
#define NL_HOOK_CALLWNDPROC 0x04   // activations
#define NL_HOOK_ALL 0x07
// The host counts the reports it handles (nlSetReportsHandled): while reports wait unhandled for
// more than half a second the hooks pass keys whatever the mode, and report them with
// NL_KEY_UNANSWERED; the low-level hook first delivers what it withheld, in order.
#define NL_WATCHDOG 0x10
NODRALIB_API BOOL WINAPI nlStartHooks(HWND engineWindow, UINT what);

// While the mode swallows for a chord just begun, with nothing withheld yet: the keys that can go
// on with it, each its scan code | 0x100 when extended. The hooks then pass releases and first
// presses of other keys at once, and withhold a press of one of these (or an auto-repeat) and
// everything after it (the list ends there). A count of 0, or more than 32 keys, ends the list.
// FALSE when the block is gone.
NODRALIB_API BOOL WINAPI nlSetContinuation(const unsigned short* keys, UINT count);
// The first keys of the program's key sequences, each its scan code | 0x100 when extended: a
// first press of one is withheld even while the mode is 1 (pass), for the program's word. A
// count of 0, or more than 32 keys, empties the list. FALSE when the block is gone.
NODRALIB_API BOOL WINAPI nlSetLeaders(const unsigned short* keys, UINT count);
// The program has handled this many key reports in all (see NL_WATCHDOG). Returns how many times
// the hooks have passed keys so (0 when the block is gone): a report read while that number is
// ahead of the NL_KEY_UNANSWERED reports read came before them.
NODRALIB_API UINT WINAPI nlSetReportsHandled(UINT total);
// How many key reports the hooks have posted that the program has not handled yet (0 when the
// block is gone).
NODRALIB_API UINT WINAPI nlReportsWaiting(void);
// The program's word on events the low-level hook withheld, by their NL_REPORT_SEQUENCE: deliver
// them to the focused window (in the order they were typed, before anything typed after them),
// or drop them. An event already delivered or dropped is left as it is. Returns how many were
// decided now.
NODRALIB_API UINT WINAPI nlDecideWithheld(const unsigned short* sequences, UINT count, BOOL deliver);
// Whether the key is down as the low-level hook saw the keyboard (a press it withholds never
// reaches the system's key state); the generic Shift, Ctrl and Alt codes ask for either key.
// FALSE when the block is gone.
NODRALIB_API BOOL WINAPI nlKeyIsDown(UINT virtualKey);
// Has the low-level hook type an output (at most NL_OUTPUT_MOST events) in the place of the
// withheld event `anchorSequence` (its NL_REPORT_SEQUENCE, still undecided), or after everything
// queued (-1): keys typed after it come after the output. The modifier keys the system holds meanwhile
// are let go for it and pressed again if still held. FALSE when there is no low-level hook or
// it did not take the output; the anchor is then left undecided.
NODRALIB_API BOOL WINAPI nlSendOutput(const NL_OUTPUT_EVENT* events, UINT count, int anchorSequence);

#ifdef __cplusplus
}
#endif
