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
#define NL_KEY_WITHHELD 0x02000000  // the hook withheld the event from its window
#define NL_KEY_REPLAYED 0x04000000  // the event was the one announced with nlExpectResentKey
// The extra-info value of the key events the program re-sends (for other programs' hooks; this
// library knows them by nlExpectResentKey, as a hook can read another message's extra info).
#define NL_REPLAY_MARK 0x564B5250u

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

NODRALIB_API BOOL WINAPI nlStartHook(HWND engineWindow);
NODRALIB_API BOOL WINAPI nlReleaseHook(void);
NODRALIB_API signed char WINAPI nlSetDispatchMode(signed char mode);
NODRALIB_API BOOL WINAPI nlGetFindModulePath(char* buffer, int count);
NODRALIB_API BOOL WINAPI nlGetFindModuleCommand(char* buffer, int count);
// Announces the one key event the program is about to re-send (virtual-key code, keystroke
// flags): the keyboard hook lets it through whatever the mode and reports it with
// NL_KEY_REPLAYED. A code of 0 withdraws the announcement. FALSE when the block does not exist.
NODRALIB_API BOOL WINAPI nlExpectResentKey(UINT virtualKey, UINT keystrokeFlags);

#ifdef __cplusplus
}
#endif
