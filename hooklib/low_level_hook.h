// The one place where vakro decides key events: a low-level keyboard hook on a thread that does
// nothing else and never waits for the program. The system calls it for every key event of the
// desktop, whatever program is in front and of whatever bitness, before any queue; an event it
// withholds reaches no program and changes no key state. It decides from the mode, the keys
// beside a chord and the watchdog in the shared mapping, reports each event to the program's
// window, and keeps the events it withholds in the mapping's queue until the program says to
// deliver or drop them; it sends the delivered ones on itself, in order, so that nothing typed
// later overtakes them.
#pragma once

#include <windows.h>

// Starts the hook's thread over the shared mapping (which the program made); false when the
// mapping or the hook could not be had.
bool StartLowLevelHook();
// Delivers what waits for a program that is gone, removes the hook and ends the thread.
void StopLowLevelHook();

// A message-only window of a class of its own, in this process.
HWND CreateMessageWindow(const char* className, WNDPROC procedure);
