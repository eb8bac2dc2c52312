// Brings a running copy of a program to the front instead of starting another, or minimises it
// when it is already there. The choice is DecideRaise's (engine/raise_decision.h); this file makes
// the platform calls. Runs on the program starter's worker, never on the thread handling keys.
#pragma once

#include <string>

// True when a window of a running copy was raised or minimised; false when the program is to be
// started (nothing of it runs with a visible window, or the text names no program file).
bool RaiseRunningCopy(const std::string& executableText, bool minimizeInFront);
