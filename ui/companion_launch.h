// The hook companion: on 64-bit Windows the hooks of the 32-bit vakro reach 32-bit programs only,
// so a 64-bit helper beside it (x64\vakrohook64.exe) hooks the keys of the 64-bit ones with a
// low-level hook, reporting to the same window, and answers the app finder for their windows.
// It loads nothing into other programs and ends by itself as soon as this process ends.
#pragma once

#include <windows.h>

inline constexpr char kCompanionProgram[] = "x64\\vakrohook64.exe";

// Starts the companion when this is a 32-bit process on 64-bit Windows and the companion lies
// beside the program; true when it was started.
bool StartHookCompanion(HWND engineWindow);

// Starts the companion program for this process and the window, unconditionally.
bool StartHookCompanionProgram(const char* program, HWND engineWindow);

// Asks the window for the finder's answer, and the companion too (it answers for the windows of
// 64-bit programs).
void PostFinderRequest(HWND target);
