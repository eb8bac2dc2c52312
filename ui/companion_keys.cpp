#include "ui/companion_keys.h"

#include "hooklib/key_reports.h"
#include "hooklib/low_level_report.h"
#include "hooklib/nodralib.h"
#include "toolkit/handles.h"

namespace {

// The companion lives exactly as long as vakro, so it keeps its view of the block.
struct TKeyHook {
  THandle mapping;
  TMappedView mapped;
  TSharedMapping* view = nullptr;  // what `mapped` holds
  HHOOK hook = nullptr;
  DWORD lastCallTick = 0;
  TDownKeys downKeys;
  HWND foreground = nullptr;
  bool foregroundIs64 = false;
} keyHook;

bool ForegroundIs64Bit() {
  const HWND foreground = GetForegroundWindow();
  if (foreground != keyHook.foreground) {
    keyHook.foreground = foreground;
    keyHook.foregroundIs64 = foreground && Is64BitWindow(foreground);
  }
  return keyHook.foregroundIs64;
}

// Withheld events never reach the program's queue, so a re-sent one meets the key state it was
// typed in without help.
bool DecideAndReport(const KBDLLHOOKSTRUCT& event, bool wasDown) {
  const DWORD now = GetTickCount();
  const LPARAM flags = KeystrokeFlagsOf(event, wasDown);
  const TKeyVerdict verdict = DecideKey(*keyHook.view, IsResentLowLevelEvent(event), flags, now);
  WPARAM key = ReportedVirtualKey(event.vkCode);
  if (!verdict.pass) key |= static_cast<WPARAM>(AsyncKeyState()) << 16;
  PostKeyReport(*keyHook.view, key, ReportedFlags(flags, verdict), now);
  return verdict.pass;
}

LRESULT CALLBACK LowLevelKeyboardProc(int code, WPARAM wParam, LPARAM lParam) {
  if (code != HC_ACTION) return CallNextHookEx(nullptr, code, wParam, lParam);
  const auto& event = *reinterpret_cast<const KBDLLHOOKSTRUCT*>(lParam);
  keyHook.lastCallTick = GetTickCount();
  const bool wasDown = keyHook.downKeys.Note(event);
  if (ForegroundIs64Bit() && !DecideAndReport(event, wasDown)) return 1;
  return CallNextHookEx(nullptr, code, wParam, lParam);
}

}  // namespace

bool Is64BitProcess(DWORD process) {
  const THandle handle(OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, process));
  BOOL wow64 = TRUE;
  return handle && IsWow64Process(handle.Get(), &wow64) && !wow64;
}

bool Is64BitWindow(HWND window) {
  DWORD process = 0;
  GetWindowThreadProcessId(window, &process);
  return process && Is64BitProcess(process);
}

void ForgetForeground() { keyHook.foreground = nullptr; }

bool InstallKeyHook() {
  keyHook.mapping.Reset(OpenFileMappingA(FILE_MAP_WRITE, FALSE, kSharedBlockName));
  if (!keyHook.mapping) return false;
  keyHook.mapped.Reset(MapViewOfFile(keyHook.mapping.Get(), FILE_MAP_WRITE, 0, 0, kSharedMappingSize));
  keyHook.view = static_cast<TSharedMapping*>(keyHook.mapped.Get());
  if (!keyHook.view) return false;
  keyHook.hook = SetWindowsHookExA(WH_KEYBOARD_LL, LowLevelKeyboardProc, GetModuleHandleA(nullptr), 0);
  keyHook.lastCallTick = GetTickCount();
  return keyHook.hook != nullptr;
}

void CheckKeyHook() {
  LASTINPUTINFO input = {sizeof input, 0};
  if (!keyHook.view || !GetLastInputInfo(&input)) return;
  if (static_cast<LONG>(input.dwTime - keyHook.lastCallTick) <= 0) return;
  // Input came since the hook's last call (a mouse, or keys it no longer sees).
  if (keyHook.hook) UnhookWindowsHookEx(keyHook.hook);
  keyHook.hook = SetWindowsHookExA(WH_KEYBOARD_LL, LowLevelKeyboardProc, GetModuleHandleA(nullptr), 0);
  keyHook.lastCallTick = input.dwTime;
}

void RemoveKeyHook() {
  if (keyHook.hook) UnhookWindowsHookEx(keyHook.hook);
  keyHook.hook = nullptr;
  keyHook.view = nullptr;
  keyHook.mapped.Reset();
  keyHook.mapping.Reset();
}
