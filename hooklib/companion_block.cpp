#include "hooklib/companion_block.h"

namespace {

DWORD ForegroundProcess() {
  DWORD process = 0;
  const HWND foreground = GetForegroundWindow();
  if (foreground) GetWindowThreadProcessId(foreground, &process);
  return process;
}

bool IsProgramOrCompanion(DWORD process) {
  HANDLE mapping = OpenFileMappingA(FILE_MAP_READ, FALSE, kCompanionBlockName);
  if (!mapping) return false;
  bool found = false;
  if (const auto* block = static_cast<const CompanionBlock*>(
          MapViewOfFile(mapping, FILE_MAP_READ, 0, 0, sizeof(CompanionBlock)))) {
    found = block->programProcess == process || block->companionProcess == process;
    UnmapViewOfFile(block);
  }
  CloseHandle(mapping);
  return found;
}

}  // namespace

bool ReportedElsewhere() {
  const DWORD current = GetCurrentProcessId();
  const DWORD foreground = ForegroundProcess();
  return foreground != 0 && foreground != current && IsProgramOrCompanion(current);
}
