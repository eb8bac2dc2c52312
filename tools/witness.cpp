// witness.exe: a plain top-level window that logs what it is given, for the end-to-end tests.
//   witness.exe --log FILE [--title TEXT] [--at X,Y,W,H] [--child] [--popup] [--stay] [more...]
// Logs its command line and working folder at start, each window it makes with its screen
// rectangle, then every key and character message, activation and close it receives.
// --child adds a static child control, --popup an owned pop-up window beside the main one,
// --stay ignores WM_CLOSE (logged only), so close commands can be sent without ending it;
// --hidden never shows the window (a process that only keeps the desktop up).
#include <windows.h>

#include <cstdint>
#include <cstdio>
#include <string>

#include "tools/tool_log.h"

namespace {

ToolLog* logFile = nullptr;
bool ignoreClose = false;

unsigned long long HandleValue(HWND window) { return reinterpret_cast<uintptr_t>(window); }

const char* KeyMessageName(UINT message) {
  switch (message) {
    case WM_KEYDOWN: return "WM_KEYDOWN";
    case WM_KEYUP: return "WM_KEYUP";
    case WM_SYSKEYDOWN: return "WM_SYSKEYDOWN";
    case WM_SYSKEYUP: return "WM_SYSKEYUP";
    case WM_CHAR: return "WM_CHAR";
    default: return nullptr;
  }
}

void LogMessage(const char* name, HWND window, WPARAM wParam, LPARAM lParam) {
  logFile->Linef("%s hwnd=0x%llx wp=0x%llx lp=0x%08lx", name, HandleValue(window),
                 static_cast<unsigned long long>(wParam), static_cast<unsigned long>(lParam & 0xFFFFFFFF));
}

LRESULT CALLBACK WitnessProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (const char* name = KeyMessageName(message)) {
    LogMessage(name, window, wParam, lParam);
    if (message == WM_SYSKEYDOWN || message == WM_SYSKEYUP) return 0;  // no menu mode on Alt
  }
  if (message == WM_SYSCHAR) return 0;  // nor on Alt with a letter (the system menu)
  switch (message) {
    case WM_ACTIVATE: LogMessage("WM_ACTIVATE", window, wParam, lParam); break;
    case WM_CLOSE:
      LogMessage("WM_CLOSE", window, wParam, lParam);
      if (ignoreClose) return 0;
      break;
    case WM_DESTROY:
      if (!GetWindow(window, GW_OWNER)) PostQuitMessage(0);
      break;
  }
  return DefWindowProcA(window, message, wParam, lParam);
}

void LogWindow(const char* role, HWND window) {
  RECT r = {};
  GetWindowRect(window, &r);
  logFile->Linef("window role=%s hwnd=0x%llx rect=%ld,%ld,%ld,%ld", role, HandleValue(window), r.left, r.top,
                 r.right - r.left, r.bottom - r.top);
}

RECT ParseRect(const std::string& text) {
  long x = 100, y = 100, w = 320, h = 200;
  sscanf(text.c_str(), "%ld,%ld,%ld,%ld", &x, &y, &w, &h);
  return RECT{x, y, x + w, y + h};
}

HWND MakeWindow(const RECT& r, const std::string& title, DWORD style, HWND owner) {
  return CreateWindowExA(0, "VakroWitness", title.c_str(), style, r.left, r.top, r.right - r.left,
                         r.bottom - r.top, owner, nullptr, GetModuleHandleA(nullptr), nullptr);
}

}  // namespace

int main(int argc, char** argv) {
  ToolLog log(OptionValue(argc, argv, "--log"));
  logFile = &log;
  ignoreClose = HasOption(argc, argv, "--stay");
  log.Linef("start pid=%lu", GetCurrentProcessId());
  log.Line(std::string("cmdline ") + GetCommandLineA());
  char folder[MAX_PATH] = {};
  GetCurrentDirectoryA(MAX_PATH, folder);
  log.Line(std::string("cwd ") + folder);

  WNDCLASSA wc = {};
  wc.lpfnWndProc = WitnessProc;
  wc.hInstance = GetModuleHandleA(nullptr);
  wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
  wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
  wc.lpszClassName = "VakroWitness";
  RegisterClassA(&wc);

  const RECT r = ParseRect(OptionValue(argc, argv, "--at", "100,100,320,200"));
  const std::string title = OptionValue(argc, argv, "--title", "witness");
  HWND main = MakeWindow(r, title, WS_OVERLAPPEDWINDOW, nullptr);
  if (!main) return 1;
  if (!HasOption(argc, argv, "--hidden")) {
    ShowWindow(main, SW_SHOWNORMAL);
    UpdateWindow(main);
  }
  LogWindow("main", main);
  if (HasOption(argc, argv, "--child")) {
    const int h = r.bottom - r.top;
    HWND child = CreateWindowExA(0, "STATIC", "child", WS_CHILD | WS_VISIBLE | WS_BORDER, 10, h / 2, 120, h / 4,
                                 main, nullptr, wc.hInstance, nullptr);
    LogWindow("child", child);
  }
  if (HasOption(argc, argv, "--popup")) {
    const RECT p = {r.right + 20, r.top, r.right + 220, r.top + 150};
    HWND popup = MakeWindow(p, title + " popup", WS_POPUP | WS_CAPTION, main);
    ShowWindow(popup, SW_SHOWNOACTIVATE);
    LogWindow("popup", popup);
  }
  log.Line("ready");

  MSG message;
  while (GetMessageA(&message, nullptr, 0, 0) > 0) {
    TranslateMessage(&message);
    DispatchMessageA(&message);
  }
  log.Line("exit");
  return 0;
}
