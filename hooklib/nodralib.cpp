// The five exports of NodraLib and the per-process state behind them.
#include "hooklib/nodralib.h"

#include <cstring>

#include "hooklib/hook_procs.h"
#include "hooklib/shared_view.h"

namespace {

HINSTANCE moduleInstance = nullptr;  // this library in the current process: the hooks' module
HANDLE createdBlock = nullptr;       // held by the process that called nlStartHook

void InstallHooks(SharedHookBlock& block) {
  block.keyboardHook = HandleField(SetWindowsHookExA(WH_KEYBOARD, KeyboardProc, moduleInstance, 0));
  block.getMessageHook = HandleField(SetWindowsHookExA(WH_GETMESSAGE, GetMsgProc, moduleInstance, 0));
  block.callWndProcHook = HandleField(SetWindowsHookExA(WH_CALLWNDPROC, CallWndProc, moduleInstance, 0));
}

void RemoveHooks(const SharedHookBlock& block) {
  UnhookWindowsHookEx(HandleFromField<HHOOK>(block.keyboardHook));
  UnhookWindowsHookEx(HandleFromField<HHOOK>(block.getMessageHook));
  UnhookWindowsHookEx(HandleFromField<HHOOK>(block.callWndProcHook));
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
  if (reason == DLL_PROCESS_ATTACH) {
    moduleInstance = instance;
    DisableThreadLibraryCalls(instance);
  }
  return TRUE;
}

BOOL WINAPI nlStartHook(HWND engineWindow) {
  HANDLE created = CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, kSharedBlockSize,
                                      kSharedBlockName);
  if (!created) return FALSE;
  if (createdBlock) CloseHandle(createdBlock);  // a second start keeps one handle, not two
  createdBlock = created;

  SharedView view;
  if (!view) return FALSE;
  view->engineWindow = HandleField(engineWindow);
  view->dispatchMode = DISPATCH_PASS;
  InstallHooks(*view);
  return view.Close();
}

BOOL WINAPI nlReleaseHook(void) {
  {
    SharedView view;
    if (view) RemoveHooks(*view);
  }
  if (!createdBlock) return FALSE;
  const BOOL closed = CloseHandle(createdBlock);
  createdBlock = nullptr;
  return closed;
}

signed char WINAPI nlSetDispatchMode(signed char mode) {
  SharedView view;
  if (!view) return -1;
  const signed char previous = view->dispatchMode;
  if (mode != -1) view->dispatchMode = mode;
  return previous;
}

BOOL WINAPI nlGetFindModulePath(char* buffer, int count) {
  return CopyFinderField(&SharedHookBlock::findModulePath, buffer, count);
}

BOOL WINAPI nlGetFindModuleCommand(char* buffer, int count) {
  return CopyFinderField(&SharedHookBlock::findCommandLine, buffer, count);
}
