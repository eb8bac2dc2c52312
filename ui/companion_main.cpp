// vakrohook64: the hook companion of the 32-bit vakro on 64-bit Windows. It installs the hooks
// of its own NodraLib for the 64-bit programs, reporting to vakro's key guide window, and ends
// as soon as vakro ends. Arguments: an inherited handle of vakro's process, the window (hex).
#include <windows.h>

#include <cstdlib>

#include "hooklib/companion_block.h"
#include "hooklib/nodralib.h"
#include "toolkit/handles.h"

namespace {

struct TArguments {
  THandle program;  // inherited: this process's own to close
  HWND engineWindow = nullptr;
};

bool ParseArguments(TArguments& arguments) {
  if (__argc != 3) return false;
  arguments.program.Reset(reinterpret_cast<HANDLE>(static_cast<UINT_PTR>(strtoull(__argv[1], nullptr, 16))));
  arguments.engineWindow = reinterpret_cast<HWND>(static_cast<UINT_PTR>(strtoull(__argv[2], nullptr, 16)));
  return arguments.program && IsWindow(arguments.engineWindow);
}

// Names the two processes whose hook calls for other programs are reported by the other hook.
class TCompanionPresence {
 public:
  explicit TCompanionPresence(HWND engineWindow)
      : mapping_(CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0,
                                    sizeof(CompanionBlock), kCompanionBlockName)) {
    if (!mapping_) return;
    const TMappedView view(MapViewOfFile(mapping_.Get(), FILE_MAP_WRITE, 0, 0, 0));
    if (auto* block = static_cast<CompanionBlock*>(view.Get())) {
      DWORD program = 0;
      GetWindowThreadProcessId(engineWindow, &program);
      block->programProcess = program;
      block->companionProcess = GetCurrentProcessId();
    }
  }

 private:
  THandle mapping_;  // keeps the block while this process runs
};

// The system calls this process's hooks for programs of the other bitness on this thread, so
// it keeps handling messages until vakro's process ends.
void HandleMessagesUntilEnded(HANDLE program) {
  for (;;) {
    const DWORD woken = MsgWaitForMultipleObjects(1, &program, FALSE, INFINITE, QS_ALLINPUT);
    if (woken != WAIT_OBJECT_0 + 1) return;
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&message);
  }
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  TArguments arguments;
  if (!ParseArguments(arguments)) return 2;
  if (WaitForSingleObject(arguments.program.Get(), 0) != WAIT_TIMEOUT) return 0;
  // Installing the hooks sets the block's mode to pass; vakro's mode of the moment is kept.
  const signed char mode = nlSetDispatchMode(-1);
  if (!nlStartHook(arguments.engineWindow)) return 1;
  if (mode != -1) nlSetDispatchMode(mode);
  TCompanionPresence presence(arguments.engineWindow);
  HandleMessagesUntilEnded(arguments.program.Get());
  nlReleaseHook();
  return 0;
}
