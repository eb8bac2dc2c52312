// The exports of NodraLib and the per-process state behind them.
#include "hooklib/nodralib.h"

#include <cstring>
#include <initializer_list>

#include "hooklib/hook_procs.h"
#include "hooklib/key_reports.h"
#include "hooklib/low_level_report.h"
#include "hooklib/shared_view.h"

namespace {

HINSTANCE moduleInstance = nullptr;  // this library in the current process: the hooks' module
HANDLE createdBlock = nullptr;       // held by the process that called nlStartHook
// That process's own view of the block, for the exports it calls on every key report (the hook
// procedures, in other processes, open the block on every call).
TSharedMapping* programView = nullptr;
// How long nlSendOutput waits for the hook's thread to take an output.
constexpr UINT kOutputAnswerMs = 2000;

void UnmapProgramView() {
  if (programView) UnmapViewOfFile(programView);
  programView = nullptr;
}

// Runs `use` on the mapping: this process's own view where it has one, else opened for the call;
// `none` when the block does not exist.
template <typename Result, typename Use>
Result WithMapping(Result none, Use use) {
  if (programView) return use(*programView);
  SharedView view;
  return view ? use(view.Mapping()) : none;
}

// Puts a list of keys into the block for the hooks: the count is emptied first and set last, so a
// hook reading meanwhile sees no list or the whole one. A list longer than the room stays empty.
template <size_t Capacity>
void StoreKeyList(volatile LONG& count, uint16_t (&list)[Capacity], const unsigned short* keys, UINT keyCount) {
  InterlockedExchange(&count, 0);
  if (!keys || keyCount == 0 || keyCount > Capacity) return;
  memcpy(list, keys, keyCount * sizeof *keys);
  InterlockedExchange(&count, static_cast<LONG>(keyCount));
}

// The hooks this process installed. They are removed by these handles, never by the ones in the
// shared block, which any process can write.
struct TInstalledHooks {
  HHOOK keyboard = nullptr;
  HHOOK getMessage = nullptr;
  HHOOK callWndProc = nullptr;
} installedHooks;

void RemoveHooks() {
  for (HHOOK* hook : {&installedHooks.keyboard, &installedHooks.getMessage, &installedHooks.callWndProc}) {
    if (*hook) UnhookWindowsHookEx(*hook);
    *hook = nullptr;
  }
}

HHOOK InstallHook(UINT what, UINT flag, int kind, HOOKPROC procedure) {
  return (what & flag) ? SetWindowsHookExA(kind, procedure, moduleInstance, 0) : nullptr;
}

// True when every hook asked for is in place.
bool InstallHooks(SharedHookBlock& block, UINT what) {
  RemoveHooks();  // a second start replaces the hooks of the first
  installedHooks.keyboard = InstallHook(what, NL_HOOK_KEYBOARD, WH_KEYBOARD, KeyboardProc);
  installedHooks.getMessage = InstallHook(what, NL_HOOK_GETMESSAGE, WH_GETMESSAGE, GetMsgProc);
  installedHooks.callWndProc = InstallHook(what, NL_HOOK_CALLWNDPROC, WH_CALLWNDPROC, CallWndProc);
  block.keyboardHook = HandleField(installedHooks.keyboard);
  block.getMessageHook = HandleField(installedHooks.getMessage);
  block.callWndProcHook = HandleField(installedHooks.callWndProc);
  return ((what & NL_HOOK_KEYBOARD) == 0 || installedHooks.keyboard) &&
         ((what & NL_HOOK_GETMESSAGE) == 0 || installedHooks.getMessage) &&
         ((what & NL_HOOK_CALLWNDPROC) == 0 || installedHooks.callWndProc);
}

// Copies a finder field; a whole-field fetch always ends in a terminator, whatever the block held.
BOOL CopyFinderField(const char (SharedHookBlock::*field)[NL_FIND_FIELD_SIZE], char* buffer, int count) {
  SharedView view;
  if (!view) return FALSE;
  if (buffer && count > 0) {
    const int copied = count < NL_FIND_FIELD_SIZE ? count : NL_FIND_FIELD_SIZE;
    memcpy(buffer, (*view).*field, copied);
    if (copied == NL_FIND_FIELD_SIZE) buffer[NL_FIND_FIELD_SIZE - 1] = '\0';
  }
  return view.Close();
}

}  // namespace

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
  switch (reason) {
    case DLL_PROCESS_ATTACH: moduleInstance = instance; break;
    case DLL_THREAD_DETACH: FreeThreadKeyState(); break;
    case DLL_PROCESS_DETACH: FreeKeyStateSlot(); break;
    default: break;
  }
  return TRUE;
}

BOOL WINAPI nlStartHook(HWND engineWindow) { return nlStartHooks(engineWindow, NL_HOOK_ALL); }

BOOL WINAPI nlStartHooks(HWND engineWindow, UINT what) {
  HANDLE created = CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, kSharedMappingSize,
                                      kSharedBlockName);
  if (!created) return FALSE;
  UnmapProgramView();
  if (createdBlock) CloseHandle(createdBlock);  // a second start keeps one handle, not two
  createdBlock = created;
  programView = static_cast<TSharedMapping*>(MapViewOfFile(created, FILE_MAP_WRITE, 0, 0, kSharedMappingSize));

  SharedView view;
  if (!view) return FALSE;
  // A block left by an earlier run (a view another process still held) starts its bookkeeping
  // afresh with this program, whose counts start at 0.
  memset(&view.Extension(), 0, sizeof(TSharedExtension));
  view.Extension().options = static_cast<LONG>(what & NL_WATCHDOG);
  view->engineWindow = HandleField(engineWindow);
  view->dispatchMode = DISPATCH_PASS;
  const bool installed = InstallHooks(*view, what);
  return view.Close() && installed;
}

BOOL WINAPI nlReleaseHook(void) {
  RemoveHooks();
  UnmapProgramView();
  if (!createdBlock) return FALSE;
  const BOOL closed = CloseHandle(createdBlock);
  createdBlock = nullptr;
  return closed;
}

signed char WINAPI nlSetDispatchMode(signed char mode) {
  return WithMapping<signed char>(-1, [mode](TSharedMapping& mapping) {
    const signed char previous = mapping.block.dispatchMode;
    if (mode != -1) mapping.block.dispatchMode = mode;
    return previous;
  });
}

BOOL WINAPI nlGetFindModulePath(char* buffer, int count) {
  return CopyFinderField(&SharedHookBlock::findModulePath, buffer, count);
}

BOOL WINAPI nlGetFindModuleCommand(char* buffer, int count) {
  return CopyFinderField(&SharedHookBlock::findCommandLine, buffer, count);
}

BOOL WINAPI nlSetContinuation(const unsigned short* keys, UINT count) {
  return WithMapping<BOOL>(FALSE, [keys, count](TSharedMapping& mapping) {
    StoreKeyList(mapping.extension.continuationCount, mapping.extension.continuation, keys, count);
    return TRUE;
  });
}

BOOL WINAPI nlSetLeaders(const unsigned short* keys, UINT count) {
  return WithMapping<BOOL>(FALSE, [keys, count](TSharedMapping& mapping) {
    StoreKeyList(mapping.extension.leaderCount, mapping.extension.leaders, keys, count);
    return TRUE;
  });
}

UINT WINAPI nlReportsWaiting(void) {
  return WithMapping<UINT>(0, [](TSharedMapping& mapping) {
    const LONG waiting = static_cast<LONG>(static_cast<DWORD>(mapping.extension.reportsPosted) -
                                           static_cast<DWORD>(mapping.extension.reportsHandled));
    return waiting > 0 ? static_cast<UINT>(waiting) : 0u;
  });
}

UINT WINAPI nlSetReportsHandled(UINT total) {
  return WithMapping<UINT>(0, [total](TSharedMapping& mapping) {
    CountHandledReports(mapping.extension, total, GetTickCount());
    return static_cast<UINT>(mapping.extension.passedUnanswered);
  });
}

UINT WINAPI nlDecideWithheld(const unsigned short* sequences, UINT count, BOOL deliver) {
  return WithMapping<UINT>(0, [sequences, count, deliver](TSharedMapping& mapping) {
    UINT decided = 0;
    const TWithheldState state = deliver ? kWithheldDeliver : kWithheldDropped;
    for (UINT at = 0; sequences && at < count; ++at)
      if (DecideQueued(mapping.extension, sequences[at], state)) ++decided;
    const HWND hookWindow = HandleFromField<HWND>(mapping.extension.hookWindow);
    if (decided > 0 && hookWindow) PostMessageA(hookWindow, kWithheldDecidedMessage, 0, 0);
    return decided;
  });
}

BOOL WINAPI nlKeyIsDown(UINT virtualKey) {
  return WithMapping<BOOL>(FALSE, [virtualKey](TSharedMapping& mapping) {
    return KeyDownIn(mapping.extension.keysDown, virtualKey) ? TRUE : FALSE;
  });
}

BOOL WINAPI nlSendOutput(const NL_OUTPUT_EVENT* events, UINT count, int anchorSequence) {
  if (!events || count == 0 || count > NL_OUTPUT_MOST || anchorSequence < -1 || anchorSequence > 0xFFFF) return FALSE;
  const HWND hookWindow = WithMapping<HWND>(nullptr, [](TSharedMapping& mapping) {
    return HandleFromField<HWND>(mapping.extension.hookWindow);
  });
  if (!hookWindow) return FALSE;
  COPYDATASTRUCT data = {};
  data.dwData = static_cast<ULONG_PTR>(anchorSequence + 1);
  data.cbData = count * sizeof *events;
  data.lpData = const_cast<NL_OUTPUT_EVENT*>(events);
  DWORD_PTR taken = FALSE;
  // The hook's thread never waits for anything, so it answers at once unless its process hangs.
  const LRESULT answered = SendMessageTimeoutA(hookWindow, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&data),
                                               SMTO_ABORTIFHUNG, kOutputAnswerMs, &taken);
  return answered && taken ? TRUE : FALSE;
}
