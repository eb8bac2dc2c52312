// The small named block by which the hook process says that it runs: its low-level hook decides
// every key event of the desktop for vakro, and where vakro is a 32-bit program on 64-bit
// Windows it also answers the app finder for the windows of 64-bit programs.
#pragma once

#include <windows.h>

#include <cstdint>

inline constexpr char kCompanionBlockName[] = "NodraCompanionJP01";

struct CompanionBlock {
  uint32_t programProcess;    // vakro
  uint32_t companionProcess;  // the hook process
  uint32_t companionWindow;   // takes WM_FIND_REQUEST with the window asked in wParam; 0 when it
                              // answers for no window (vakro's own hooks reach every program)
};
