// The hook companion's low-level keyboard hook. The system calls it on the companion's own thread
// for every key event, whatever the program's bitness, and loads nothing into any program. For
// an event whose foreground window belongs to a 64-bit program it decides from the dispatch mode
// and reports to vakro as the in-process hook would; other events go on untouched (NodraLib
// decides those inside the 32-bit programs).
#pragma once

#include <windows.h>

// Installs the hook on this thread over the shared mapping; false when the block or the hook
// could not be had.
bool InstallKeyHook();
// The system removes a low-level hook that answers too slowly, without a word: when input came
// that the hook did not see, it is installed again.
void CheckKeyHook();
void RemoveKeyHook();

// Whether the process is a 64-bit one (not run through WoW64); false when it cannot be asked.
bool Is64BitProcess(DWORD process);
bool Is64BitWindow(HWND window);
// The foreground window changed: the next key asks its bitness again.
void ForgetForeground();
