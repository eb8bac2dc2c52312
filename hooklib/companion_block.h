// The small named block by which the hook companion of the other bitness says that it runs.
// On 64-bit Windows a global hook runs in the processes of its own bitness; for the others the
// system calls it on the thread that installed it. While the companion runs, each such call is
// a key that the companion's low-level hook reports already.
#pragma once

#include <windows.h>

#include <cstdint>

inline constexpr char kCompanionBlockName[] = "NodraCompanionJP01";

struct CompanionBlock {
  uint32_t programProcess;    // vakro, whose hooks reach the programs of its own bitness
  uint32_t companionProcess;  // the companion, whose low-level hook decides for the others
  uint32_t companionWindow;   // takes WM_FIND_REQUEST with the window asked in wParam
};

// True when this call of the keyboard hook runs in vakro or its companion on behalf of a key
// of another program while the companion runs: the other hook reports that key.
bool ReportedElsewhere();
