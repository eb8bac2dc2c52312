// vakrohook64: the hook companion of the 32-bit vakro on 64-bit Windows. A low-level keyboard
// hook on its own thread decides and reports the keys of 64-bit programs (see companion_keys.h),
// a message window answers the app finder for their windows, and their activations are reported
// from the system's foreground events; nothing is loaded into any program. It ends as soon as
// vakro ends. Arguments: an inherited handle of vakro's process, the window (hex).
// A close command inside a 64-bit program is not seen: that needs a hook inside the program.
#include <windows.h>

#include <cstdlib>

#include "hooklib/companion_block.h"
#include "hooklib/nodralib.h"
#include "toolkit/handles.h"
#include "ui/companion_finder.h"
#include "ui/companion_keys.h"

namespace {

constexpr UINT kHookCheckMs = 2000;

struct TArguments {
  THandle program;  // inherited: this process's own to close
  HWND engineWindow = nullptr;
};

HWND engineWindow = nullptr;

bool ParseArguments(TArguments& arguments) {
  if (__argc != 3) return false;
  arguments.program.Reset(reinterpret_cast<HANDLE>(static_cast<UINT_PTR>(strtoull(__argv[1], nullptr, 16))));
  arguments.engineWindow = reinterpret_cast<HWND>(static_cast<UINT_PTR>(strtoull(__argv[2], nullptr, 16)));
  return arguments.program && IsWindow(arguments.engineWindow);
}

// Names the companion's process and window beside vakro's, while this process runs.
class TCompanionPresence {
 public:
  TCompanionPresence(HWND engine, HWND own)
      : mapping_(CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0,
                                    sizeof(CompanionBlock), kCompanionBlockName)) {
    if (!mapping_) return;
    const TMappedView view(MapViewOfFile(mapping_.Get(), FILE_MAP_WRITE, 0, 0, 0));
    if (auto* block = static_cast<CompanionBlock*>(view.Get())) {
      DWORD program = 0;
      GetWindowThreadProcessId(engine, &program);
      block->programProcess = program;
      block->companionProcess = GetCurrentProcessId();
      block->companionWindow = static_cast<uint32_t>(reinterpret_cast<UINT_PTR>(own));
    }
  }

 private:
  THandle mapping_;  // keeps the block while this process runs
};

LRESULT CALLBACK CompanionWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_FIND_REQUEST) {
    AnswerFinderFor(reinterpret_cast<HWND>(wParam));
    return 0;
  }
  return DefWindowProcA(window, message, wParam, lParam);
}

HWND CreateCompanionWindow() {
  WNDCLASSA windowClass = {};
  windowClass.lpfnWndProc = CompanionWindowProc;
  windowClass.hInstance = GetModuleHandleA(nullptr);
  windowClass.lpszClassName = "VakroHookCompanion";
  RegisterClassA(&windowClass);
  return CreateWindowExA(0, windowClass.lpszClassName, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                         windowClass.hInstance, nullptr);
}

// The activation of a 64-bit program's top-level window, reported as the library's hook would.
void CALLBACK OnForeground(HWINEVENTHOOK, DWORD, HWND window, LONG object, LONG, DWORD, DWORD) {
  ForgetForeground();
  if (object != OBJID_WINDOW || !window || GetParent(window) || !Is64BitWindow(window)) return;
  PostMessageA(engineWindow, WM_HOOK_ACTIVATE, reinterpret_cast<WPARAM>(window), 0);
}

void CALLBACK OnHookCheck(HWND, UINT, UINT_PTR, DWORD) { CheckKeyHook(); }

// The low-level hook is called through this thread's messages, so it keeps handling them until
// vakro's process ends.
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
  const TOwnedWindow window(CreateCompanionWindow());
  if (!InstallKeyHook()) return 1;
  const TCompanionPresence presence(arguments.engineWindow, window.Get());
  const HWINEVENTHOOK foreground = SetWinEventHook(EVENT_SYSTEM_FOREGROUND, EVENT_SYSTEM_FOREGROUND, nullptr,
                                                   OnForeground, 0, 0, WINEVENT_OUTOFCONTEXT);
  const UINT_PTR check = SetTimer(nullptr, 0, kHookCheckMs, OnHookCheck);
  HandleMessagesUntilEnded(arguments.program.Get());
  KillTimer(nullptr, check);
  if (foreground) UnhookWinEvent(foreground);
  RemoveKeyHook();
  return 0;
}
