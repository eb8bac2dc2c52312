#include "hooklib/hook_procs.h"

#include "hooklib/key_reports.h"
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

// What one thread remembers between keyboard-hook calls. Kept in a TLS slot of this library's
// own (no compiler thread-locals: this code runs inside every hooked process).
struct TThreadKeyState {
  // The event this thread is deciding while KeyboardProc runs on it.
  bool inHand;
  WPARAM handKey;
  LPARAM handFlags;
  // The last event peeked (HC_NOREMOVE) and let through: its removal (HC_ACTION) follows with the
  // same decision and is not reported again.
  bool peeked;
  WPARAM peekKey;
  LPARAM peekFlags;
};

volatile LONG threadSlot = static_cast<LONG>(TLS_OUT_OF_INDEXES);

DWORD ThreadSlot() {
  const DWORD slot = static_cast<DWORD>(threadSlot);
  if (slot != TLS_OUT_OF_INDEXES) return slot;
  const DWORD fresh = TlsAlloc();
  if (fresh == TLS_OUT_OF_INDEXES) return fresh;
  const LONG previous = InterlockedCompareExchange(&threadSlot, static_cast<LONG>(fresh),
                                                   static_cast<LONG>(TLS_OUT_OF_INDEXES));
  if (previous == static_cast<LONG>(TLS_OUT_OF_INDEXES)) return fresh;
  TlsFree(fresh);  // another thread was first
  return static_cast<DWORD>(previous);
}

// This thread's state, made on its first key event; none when memory or slots ran out.
TThreadKeyState* ThreadKeyState() {
  const DWORD slot = ThreadSlot();
  if (slot == TLS_OUT_OF_INDEXES) return nullptr;
  auto* state = static_cast<TThreadKeyState*>(TlsGetValue(slot));
  if (state) return state;
  state = static_cast<TThreadKeyState*>(HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, sizeof *state));
  if (state && !TlsSetValue(slot, state)) {
    HeapFree(GetProcessHeap(), 0, state);
    return nullptr;
  }
  return state;
}

bool IsInHand(const TThreadKeyState& state, WPARAM key, LPARAM flags) {
  return state.inHand && state.handKey == key && state.handFlags == flags;
}

// Whether this call removes (or peeks again) the event that was peeked and let through before;
// a removal of any event ends the record.
bool TakePeekedEvent(TThreadKeyState& state, int code, WPARAM key, LPARAM flags) {
  const bool same = state.peeked && state.peekKey == key && state.peekFlags == flags;
  if (code == HC_ACTION) state.peeked = false;
  return same;
}

void RememberPeekedEvent(TThreadKeyState& state, WPARAM key, LPARAM flags) {
  state.peeked = true;
  state.peekKey = key;
  state.peekFlags = flags;
}

// Hands the call on with this event marked as in hand, so that a nested call for it (an old hook
// of a killed program chaining to this same procedure) is recognised.
LRESULT HandOnKey(TThreadKeyState* state, HHOOK next, int code, WPARAM key, LPARAM flags) {
  if (!state) return CallNextHookEx(next, code, key, flags);
  const TThreadKeyState outer = *state;
  state->inHand = true;
  state->handKey = key;
  state->handFlags = flags;
  const LRESULT result = CallNextHookEx(next, code, key, flags);
  state->inHand = outer.inHand;
  state->handKey = outer.handKey;
  state->handFlags = outer.handFlags;
  return result;
}

// Decides one event from the mode and reports it.
bool DecideAndReport(SharedView& view, LPARAM flags, WPARAM key) {
  const DWORD now = GetTickCount();
  const TKeyVerdict verdict = DecideKey(view.Mapping(), flags, now);
  PostKeyReport(view.Mapping(), key & 0xFFFF, ReportedFlags(flags, !verdict.pass, verdict.unanswered), now);
  return verdict.pass;
}

}  // namespace

void FreeThreadKeyState() {
  const DWORD slot = static_cast<DWORD>(threadSlot);
  if (slot == TLS_OUT_OF_INDEXES) return;
  if (void* state = TlsGetValue(slot)) {
    TlsSetValue(slot, nullptr);
    HeapFree(GetProcessHeap(), 0, state);
  }
}

void FreeKeyStateSlot() {
  FreeThreadKeyState();
  const LONG slot = InterlockedExchange(&threadSlot, static_cast<LONG>(TLS_OUT_OF_INDEXES));
  if (static_cast<DWORD>(slot) != TLS_OUT_OF_INDEXES) TlsFree(static_cast<DWORD>(slot));
}

// Each key event is reported and decided once per thread: a nested call for the event in hand and
// the removal of an event already peeked are handed on without a report.
LRESULT CALLBACK KeyboardProc(int code, WPARAM wParam, LPARAM lParam) {
  TThreadKeyState* state = ThreadKeyState();
  if (state && IsInHand(*state, wParam, lParam)) return CallNextHookEx(nullptr, code, wParam, lParam);
  if (code >= 0 && state && TakePeekedEvent(*state, code, wParam, lParam))
    return HandOnKey(state, nullptr, code, wParam, lParam);
  HHOOK next = nullptr;
  bool pass = true;
  {
    SharedView view;
    if (view) {
      next = HandleFromField<HHOOK>(view->keyboardHook);
      if (code >= 0) pass = DecideAndReport(view, lParam, wParam);
    }
  }
  if (!pass) return 1;
  if (code == HC_NOREMOVE && state) RememberPeekedEvent(*state, wParam, lParam);
  return HandOnKey(state, next, code, wParam, lParam);
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
