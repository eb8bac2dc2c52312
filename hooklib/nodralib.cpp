// The five exports of NodraLib and the per-process state behind them.
#include "hooklib/nodralib.h"

#include <cstring>
#include <initializer_list>

#include "hooklib/hook_procs.h"
#include "hooklib/key_reports.h"
#include "hooklib/resent_keys.h"
#include "hooklib/shared_view.h"

namespace {

HINSTANCE moduleInstance = nullptr;  // this library in the current process: the hooks' module
HANDLE createdBlock = nullptr;       // held by the process that called nlStartHook
// That process's own view of the block, for the exports it calls on every key report (the hook
// procedures, in other processes, open the block on every call).
TSharedMapping* programView = nullptr;

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

// True when the keyboard hook, the one hot keys need, is in place.
bool InstallHooks(SharedHookBlock& block) {
  RemoveHooks();  // a second start replaces the hooks of the first
  installedHooks.keyboard = SetWindowsHookExA(WH_KEYBOARD, KeyboardProc, moduleInstance, 0);
  installedHooks.getMessage = SetWindowsHookExA(WH_GETMESSAGE, GetMsgProc, moduleInstance, 0);
  installedHooks.callWndProc = SetWindowsHookExA(WH_CALLWNDPROC, CallWndProc, moduleInstance, 0);
  block.keyboardHook = HandleField(installedHooks.keyboard);
  block.getMessageHook = HandleField(installedHooks.getMessage);
  block.callWndProcHook = HandleField(installedHooks.callWndProc);
  return installedHooks.keyboard != nullptr;
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

BOOL WINAPI nlStartHook(HWND engineWindow) {
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
  view->engineWindow = HandleField(engineWindow);
  view->dispatchMode = DISPATCH_PASS;
  const bool installed = InstallHooks(*view);
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

UINT WINAPI nlQueueResentKeys(const NL_RESENT_KEY* keys, UINT count) {
  return WithMapping<UINT>(0, [keys, count](TSharedMapping& mapping) {
    TSharedExtension& extension = mapping.extension;
    const UINT taken = keys ? (count < kResentCapacity ? count : kResentCapacity) : 0;
    InterlockedExchange(&extension.resentCount, 0);
    InterlockedExchange(&extension.resentNext, 0);
    memcpy(extension.resent, keys, taken * sizeof *keys);
    InterlockedExchange(&extension.resentCount, static_cast<LONG>(taken));  // the entries go in first
    return taken;
  });
}

BOOL WINAPI nlSetContinuation(const unsigned short* keys, UINT count) {
  return WithMapping<BOOL>(FALSE, [keys, count](TSharedMapping& mapping) {
    TSharedExtension& extension = mapping.extension;
    InterlockedExchange(&extension.continuationCount, 0);
    if (!keys || count == 0 || count > kContinuationCapacity) return TRUE;
    memcpy(extension.continuation, keys, count * sizeof *keys);
    InterlockedExchange(&extension.continuationCount, static_cast<LONG>(count));  // the keys go in first
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

UINT WINAPI nlWithheldReported(void) {
  return WithMapping<UINT>(0, [](TSharedMapping& mapping) { return static_cast<UINT>(mapping.extension.withheldPosted); });
}

UINT WINAPI nlResentScanMark(void) { return MarkRidesInFlags() ? NL_RESENT_SCAN_MARK : 0; }

UINT WINAPI nlSetReportsHandled(UINT total) {
  return WithMapping<UINT>(0, [total](TSharedMapping& mapping) {
    CountHandledReports(mapping.extension, total, GetTickCount());
    return static_cast<UINT>(mapping.extension.passedUnanswered);
  });
}
