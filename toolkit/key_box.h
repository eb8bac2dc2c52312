// The two capture boxes (the chord box and the source-key box): read-only edit boxes whose
// right-click focuses them instead of opening the edit menu, so nothing can be pasted in.
#pragma once

#include <windows.h>

// Replaces the box's window procedure; the previous one is put back by RemoveKeyBox.
void InstallKeyBox(HWND box);
void RemoveKeyBox(HWND box);
