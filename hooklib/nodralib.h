// NodraLib: the keyboard-hook library's exports and the window messages it posts.
// Shared by the library and the program; plain C types so no C++ object crosses the boundary.
#pragma once

#include <windows.h>

#define WM_HOOK_KEY (WM_APP + 500)       // wParam virtual-key code, lParam keystroke flags
#define WM_FIND_REQUEST (WM_APP + 600)   // posted by the finder to any window; 0, 0
#define WM_FIND_REPLY (WM_APP + 601)     // wParam the window asked, lParam 0
#define WM_HOOK_ACTIVATE (WM_APP + 602)  // wParam the activated top-level window
#define WM_HOOK_CLOSE (WM_APP + 603)     // a close command was seen; 0, 0

// Reserved bits of the keystroke flags that the keyboard hook sets in its WM_HOOK_KEY report.
#define NL_KEY_WITHHELD 0x02000000    // the hook withheld the event from its window
#define NL_KEY_REPLAYED 0x04000000    // the event was one the program re-sent
#define NL_KEY_UNANSWERED 0x08000000  // passed although the mode said swallow: reports went
                                      // unhandled too long (the program does not answer)
// The high word of a report's wParam: the key state of the receiving thread when a withheld
// event came, for typing it in that state when it is re-sent.
#define NL_REPORT_STATE(wParam) ((unsigned)(((wParam) >> 16) & 0xFF))
#define NL_STATE_LSHIFT 0x01
#define NL_STATE_RSHIFT 0x02
#define NL_STATE_LCONTROL 0x04
#define NL_STATE_RCONTROL 0x08
#define NL_STATE_LMENU 0x10
#define NL_STATE_RMENU 0x20
#define NL_STATE_CAPITAL 0x40  // Caps Lock toggled on
#define NL_STATE_KNOWN 0x80    // the state was taken (only withheld events carry one)
// Key events the program re-sends carry its mark: the extra-info value, and where the system
// puts the high byte of SendInput's scan code into the reserved bits of the keystroke flags (as
// Wine does, whose keyboard hooks cannot read the message's extra info), these two bits.
#define NL_REPLAY_MARK 0x564B5250u
#define NL_RESENT_FLAGS_MARK 0x18000000
#define NL_RESENT_SCAN_MARK 0x1800

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
// One event of a re-send batch: its identity and the key state it was typed in.
#define NL_RESENT_EXTENDED 0x01
#define NL_RESENT_RELEASE 0x02
typedef struct {
  unsigned char virtualKey;
  unsigned char scanCode;
  unsigned char flags;     // NL_RESENT_EXTENDED | NL_RESENT_RELEASE
  unsigned char keyState;  // NL_STATE_* bits as reported
} NL_RESENT_KEY;

// The events the program is about to re-send, in order (replacing any earlier batch; none
// withdraws it): a hook that meets one of them gives its thread the recorded key state while
// that event is handled. Returns how many were taken (at most 64); 0 when the block is gone.
NODRALIB_API UINT WINAPI nlQueueResentKeys(const NL_RESENT_KEY* keys, UINT count);
// While the mode swallows for a chord just begun, with nothing withheld yet: the keys that can go
// on with it, each its scan code | 0x100 when extended. The hooks then pass releases and first
// presses of other keys at once, and withhold a press of one of these (or an auto-repeat) and
// everything after it (the list ends there). A count of 0, or more than 32 keys, ends the list.
// FALSE when the block is gone.
NODRALIB_API BOOL WINAPI nlSetContinuation(const unsigned short* keys, UINT count);
// What the program adds to the scan code of the events it re-sends (0 where the mark rides in
// the extra info alone).
NODRALIB_API UINT WINAPI nlResentScanMark(void);
// The program has handled this many key reports in all; while reports wait unhandled for more
// than half a second the hooks pass keys whatever the mode, and report them with
// NL_KEY_UNANSWERED. Returns how many keys they have passed so (0 when the block is gone): a
// report read while that number is ahead of the NL_KEY_UNANSWERED reports read came before them.
NODRALIB_API UINT WINAPI nlSetReportsHandled(UINT total);
// How many key reports the hooks have posted that the program has not handled yet (0 when the
// block is gone).
NODRALIB_API UINT WINAPI nlReportsWaiting(void);
// How many reports of withheld key events the hooks have posted in all (0 when the block is gone):
// while the program has read fewer, a withheld event waits, and no later key may pass it.
NODRALIB_API UINT WINAPI nlWithheldReported(void);

#ifdef __cplusplus
}
#endif
