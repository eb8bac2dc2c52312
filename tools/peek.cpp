// peek.exe: logs the windows of other programs and the platform's key names, for the
// end-to-end tests, then ends.
//   peek.exe --log FILE [--class NAME] [--keyname FLAGS]...
// For every visible top-level window of the class (all when none is given): one "window" line,
// then one "control" line per descendant with its id, class, screen rectangle, state and text
// (read with WM_GETTEXT, so edit boxes of other processes answer too); the window line names
// the focused control of the window's thread. Each --keyname logs
// GetKeyNameTextA of the keystroke flags given in hexadecimal. The text is always last.
#include <windows.h>

#include <cstdint>
#include <cstdlib>
#include <string>

#include "tools/tool_log.h"

namespace {

ToolLog* logFile = nullptr;
std::string wantedClass;

unsigned long long HandleValue(HWND window) { return reinterpret_cast<uintptr_t>(window); }

std::string ClassOf(HWND window) {
  char name[256] = {};
  GetClassNameA(window, name, sizeof name);
  return name;
}

std::string TextOf(HWND window) {
  DWORD_PTR length = 0;
  SendMessageTimeoutA(window, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, 2000, &length);
  std::string text(length + 1, '\0');
  DWORD_PTR got = 0;
  SendMessageTimeoutA(window, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()),
                      SMTO_ABORTIFHUNG, 2000, &got);
  text.resize(got < length ? got : length);
  for (char& c : text)
    if (c == '\r' || c == '\n') c = ' ';
  return text;
}

std::string RectOf(HWND window) {
  RECT r = {};
  GetWindowRect(window, &r);
  char text[64];
  snprintf(text, sizeof text, "%ld,%ld,%ld,%ld", r.left, r.top, r.right - r.left, r.bottom - r.top);
  return text;
}

BOOL CALLBACK LogControl(HWND control, LPARAM) {
  DWORD_PTR checked = 0;
  if (ClassOf(control) == "Button")
    SendMessageTimeoutA(control, BM_GETCHECK, 0, 0, SMTO_ABORTIFHUNG, 2000, &checked);
  logFile->Linef("control hwnd=0x%llx parent=0x%llx id=%d class=%s rect=%s visible=%d enabled=%d "
                 "checked=%d text=%s",
                 HandleValue(control), HandleValue(GetParent(control)), GetDlgCtrlID(control),
                 ClassOf(control).c_str(), RectOf(control).c_str(), IsWindowVisible(control) ? 1 : 0,
                 IsWindowEnabled(control) ? 1 : 0, static_cast<int>(checked), TextOf(control).c_str());
  return TRUE;
}

BOOL CALLBACK LogWindow(HWND window, LPARAM) {
  if (!IsWindowVisible(window)) return TRUE;
  if (!wantedClass.empty() && ClassOf(window) != wantedClass) return TRUE;
  GUITHREADINFO thread = {};
  thread.cbSize = sizeof thread;
  GetGUIThreadInfo(GetWindowThreadProcessId(window, nullptr), &thread);
  logFile->Linef("window hwnd=0x%llx class=%s rect=%s focus=0x%llx title=%s", HandleValue(window),
                 ClassOf(window).c_str(), RectOf(window).c_str(), HandleValue(thread.hwndFocus),
                 TextOf(window).c_str());
  EnumChildWindows(window, LogControl, 0);
  return TRUE;
}

}  // namespace

int main(int argc, char** argv) {
  ToolLog log(OptionValue(argc, argv, "--log"));
  logFile = &log;
  wantedClass = OptionValue(argc, argv, "--class");
  for (int i = 1; i + 1 < argc; ++i) {
    if (std::string(argv[i]) != "--keyname") continue;
    const unsigned long flags = strtoul(argv[i + 1], nullptr, 16);
    char name[64] = {};
    GetKeyNameTextA(static_cast<LONG>(flags), name, sizeof name);
    log.Linef("keyname flags=0x%08lx name=%s", flags, name);
  }
  EnumWindows(LogWindow, 0);
  log.Line("done");
  return 0;
}
