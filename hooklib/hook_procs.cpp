#include "hooklib/hook_procs.h"

#include "hooklib/companion_block.h"
#include "hooklib/shared_view.h"

namespace {

HWND EngineWindow(const SharedHookBlock& block) { return HandleFromField<HWND>(block.engineWindow); }

void AnswerFinder(SharedHookBlock& block, HWND asked) {
  char path[NL_FIND_FIELD_SIZE] = {};
  GetModuleFileNameA(nullptr, path, NL_FIND_FIELD_SIZE - 1);
  StoreFinderText(block.findModulePath, path);
  StoreFinderText(block.findCommandLine, GetCommandLineA());
  PostMessageA(EngineWindow(block), WM_FIND_REPLY, reinterpret_cast<WPARAM>(asked), 0);
}

// The key event this thread is deciding, while KeyboardProc runs on it.
struct TKeyEventInHand {
  bool active = false;
  WPARAM wParam = 0;
  LPARAM lParam = 0;
};
thread_local TKeyEventInHand keyInHand;

}  // namespace

// A keyboard hook that a killed program left installed (Wine keeps them) chains to this same
// procedure, so the same event arrives again nested in our own CallNextHookEx. Reporting it
// twice would let the program switch to swallowing between the two decisions and withhold
// the very key that began a chord; the nested copy is handed on untouched.
LRESULT CALLBACK KeyboardProc(int code, WPARAM wParam, LPARAM lParam) {
  if (keyInHand.active && keyInHand.wParam == wParam && keyInHand.lParam == lParam)
    return CallNextHookEx(nullptr, code, wParam, lParam);
  HHOOK next = nullptr;
  bool pass = true;
  {
    SharedView view;
    if (view) {
      next = HandleFromField<HHOOK>(view->keyboardHook);
      if (code >= 0 && !ReportedElsewhere()) {
        PostMessageA(EngineWindow(*view), WM_HOOK_KEY, wParam, lParam);
        pass = view->dispatchMode == DISPATCH_PASS;
      }
    }
  }
  if (!pass) return 1;
  const TKeyEventInHand outer = keyInHand;
  keyInHand = {true, wParam, lParam};
  const LRESULT result = CallNextHookEx(next, code, wParam, lParam);
  keyInHand = outer;
  return result;
}

// GetMsgProc and CallWndProc run for every message of every hooked thread, and opening the
// block costs platform calls; messages they do not report are handed on without it (the next
// hook's handle is not needed for that: CallNextHookEx ignores it).
LRESULT CALLBACK GetMsgProc(int code, WPARAM wParam, LPARAM lParam) {
  const MSG* message = reinterpret_cast<const MSG*>(lParam);
  HHOOK next = nullptr;
  if (code >= 0 && (message->message == WM_FIND_REQUEST || IsCloseCommand(message->message, message->wParam))) {
    SharedView view;
    if (view) {
      next = HandleFromField<HHOOK>(view->getMessageHook);
      if (message->message == WM_FIND_REQUEST) {
        AnswerFinder(*view, message->hwnd);
        return 0;
      }
      if (IsCloseCommand(message->message, message->wParam)) {
        PostMessageA(EngineWindow(*view), WM_HOOK_CLOSE, 0, 0);
      }
    }
  }
  return CallNextHookEx(next, code, wParam, lParam);
}

LRESULT CALLBACK CallWndProc(int code, WPARAM wParam, LPARAM lParam) {
  const CWPSTRUCT* record = reinterpret_cast<const CWPSTRUCT*>(lParam);
  HHOOK next = nullptr;
  if (code >= 0 && IsActivation(record->message, record->wParam)) {
    SharedView view;
    if (view) {
      next = HandleFromField<HHOOK>(view->callWndProcHook);
      if (!GetParent(record->hwnd)) {
        PostMessageA(EngineWindow(*view), WM_HOOK_ACTIVATE, reinterpret_cast<WPARAM>(record->hwnd), 0);
      }
    }
  }
  return CallNextHookEx(next, code, wParam, lParam);
}
