// vakrohook: vakro's hook process. Its low-level keyboard hook, on a thread of its own, decides
// every key event of the desktop for vakro (see hooklib/low_level_hook.h); living apart from
// vakro, it lets keys pass on time even while vakro's window thread is blocked or stopped. Where
// vakro is a 32-bit program on 64-bit Windows, this is the 64-bit build (x64\vakrohook64.exe),
// which also answers the app finder for the windows of 64-bit programs and reports their
// activations, where vakro's own hooks do not reach. It ends as soon as vakro ends.
// Arguments: an inherited handle of vakro's process, the window (hex), and 1 to serve the
// windows of 64-bit programs.
#include <windows.h>

#include <cstdlib>

#include "hooklib/companion_block.h"
#include "hooklib/low_level_hook.h"
#include "hooklib/nodralib.h"
#include "toolkit/handles.h"
#include "ui/companion_finder.h"

namespace {

struct TArguments {
  THandle program;  // inherited: this process's own to close
  HWND engineWindow = nullptr;
  bool serves64BitWindows = false;
};

HWND engineWindow = nullptr;

bool ParseArguments(TArguments& arguments) {
  if (__argc != 4) return false;
  arguments.program.Reset(reinterpret_cast<HANDLE>(static_cast<UINT_PTR>(strtoull(__argv[1], nullptr, 16))));
  arguments.engineWindow = reinterpret_cast<HWND>(static_cast<UINT_PTR>(strtoull(__argv[2], nullptr, 16)));
  arguments.serves64BitWindows = __argv[3][0] == '1';
  return arguments.program && IsWindow(arguments.engineWindow);
}

// Names the hook process and its finder window beside vakro's, while this process runs.
class TCompanionPresence {
 public:
  TCompanionPresence(HWND engine, HWND finder)
      : mapping_(CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0,
                                    sizeof(CompanionBlock), kCompanionBlockName)) {
    if (!mapping_) return;
    const TMappedView view(MapViewOfFile(mapping_.Get(), FILE_MAP_WRITE, 0, 0, 0));
    if (auto* block = static_cast<CompanionBlock*>(view.Get())) {
      DWORD program = 0;
      GetWindowThreadProcessId(engine, &program);
      block->programProcess = program;
      block->companionProcess = GetCurrentProcessId();
      block->companionWindow = static_cast<uint32_t>(reinterpret_cast<UINT_PTR>(finder));
    }
  }

 private:
  THandle mapping_;  // keeps the block while this process runs
};

LRESULT CALLBACK FinderWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_FIND_REQUEST) {
    AnswerFinderFor(reinterpret_cast<HWND>(wParam));
    return 0;
  }
  return DefWindowProcA(window, message, wParam, lParam);
}

// The activation of a 64-bit program's top-level window, reported as the library's hook would.
void CALLBACK OnForeground(HWINEVENTHOOK, DWORD, HWND window, LONG object, LONG, DWORD, DWORD) {
  if (object != OBJID_WINDOW || !window || GetParent(window) || !Is64BitWindow(window)) return;
  PostMessageA(engineWindow, WM_HOOK_ACTIVATE, reinterpret_cast<WPARAM>(window), 0);
}

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
  engineWindow = arguments.engineWindow;
  const TOwnedWindow finder(arguments.serves64BitWindows ? CreateMessageWindow("VakroHookCompanion", FinderWindowProc) : nullptr);
  if (!StartLowLevelHook()) {
    StopLowLevelHook();
    return 1;
  }
  const TCompanionPresence presence(arguments.engineWindow, finder.Get());
  const HWINEVENTHOOK foreground =
      arguments.serves64BitWindows ? SetWinEventHook(EVENT_SYSTEM_FOREGROUND, EVENT_SYSTEM_FOREGROUND, nullptr,
                                                     OnForeground, 0, 0, WINEVENT_OUTOFCONTEXT)
                                   : nullptr;
  HandleMessagesUntilEnded(arguments.program.Get());
  if (foreground) UnhookWinEvent(foreground);
  StopLowLevelHook();
  return 0;
}
