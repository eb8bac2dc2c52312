// The app finder's answer for a window of a 64-bit program, where no hook library runs inside:
// the companion asks the program's process for its executable path and command line, writes
// them into the shared block as the library would, and posts WM_FIND_REPLY.
#pragma once

#include <windows.h>

// Answers for the window when it belongs to a 64-bit program; false when it does not or the
// process could not be asked.
bool AnswerFinderFor(HWND asked);

// Whether the process is a 64-bit one (not run through WoW64); false when it cannot be asked.
bool Is64BitProcess(DWORD process);
bool Is64BitWindow(HWND window);
