// The program a chord is typed into: the executable file name of the foreground window's
// process ("notepad.exe"), or of the program a platform app frame hosts.
#pragma once

#include <windows.h>

#include <string>

// Empty when there is no foreground window or its process cannot be asked.
std::string ForegroundProgramName();

// The executable file name of the process that owns `window`.
std::string WindowProgramName(HWND window);

// The path of a process's executable file (a device path on systems before Windows Vista);
// empty when the process cannot be asked.
std::string ProcessImagePath(DWORD processId);
