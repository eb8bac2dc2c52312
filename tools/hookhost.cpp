// hookhost.exe: installs the NodraLib hooks with its own hidden window and logs every message
// they post to it, for the end-to-end tests.
//   hookhost.exe --log FILE --commands FILE   host: hooks installed until "exit"
//   hookhost.exe --log FILE --probe            logs what the exports answer in a fresh process
//   --companion PROGRAM                        starts the hook process for its window instead of
//                                              the library's keyboard hook, as vakro does
//   --floor                                    installs no library hook, only a low-level keyboard
//                                              hook that hands every event on: the platform's floor
//                                              for the latency benchmark
//   --quiet-keys                               counts key reports instead of logging each one
//                                              (for timing: the program does not log either)
// Commands: the host polls the command file every few milliseconds and runs each new complete
// line once, logging "done <line>" after it. Messages already posted to the host are handled
// before a command is read (timers come after posted messages), so "sync" orders the log.
//   mode N                  nlSetDispatchMode(N); logs "mode set=N previous=P"
//   find HWND               posts WM_FIND_REQUEST to the window (hex handle)
//   post HWND MSG WP LP     posts any message (hex values)
//   sync TOKEN              only logs "done sync TOKEN"
//   exit                    nlReleaseHook, logs "release result=R", ends normally
//   terminate               TerminateProcess on itself
//   crash                   an access violation
#include <windows.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "engine/hook_process.h"
#include "hooklib/nodralib.h"
#include "tools/tool_log.h"

namespace {

ToolLog* logFile = nullptr;
std::string commandPath;
long long commandOffset = 0;
std::string pendingText;
bool quietKeys = false;
bool countsReports = false;  // with the hook process, as vakro: the watchdog's count
unsigned long keyReports = 0;

unsigned long long Value(uintptr_t value) { return value; }

std::string FetchField(BOOL (WINAPI* getter)(char*, int), BOOL* result) {
  char buffer[NL_FIND_FIELD_SIZE];
  memset(buffer, 0x7F, sizeof buffer);
  *result = getter(buffer, NL_FIND_FIELD_SIZE);
  return std::string(buffer, strnlen(buffer, sizeof buffer));
}

void LogFindReply(WPARAM asked) {
  BOOL pathOk = FALSE, commandOk = FALSE;
  const std::string path = FetchField(nlGetFindModulePath, &pathOk);
  const std::string command = FetchField(nlGetFindModuleCommand, &commandOk);
  logFile->Linef("WM_FIND_REPLY wp=0x%llx path_ok=%d command_ok=%d command_length=%u", Value(asked), pathOk,
                 commandOk, static_cast<unsigned>(command.size()));
  logFile->Line("find_path " + path);
  logFile->Line("find_command " + command);
}

[[noreturn]] void Crash() {
  volatile int* nowhere = nullptr;
  *nowhere = 1;
  abort();
}

void RunCommand(HWND window, const std::string& line) {
  char word[32] = {};
  unsigned long long a = 0, b = 0, c = 0, d = 0;
  sscanf(line.c_str(), "%31s %llx %llx %llx %llx", word, &a, &b, &c, &d);
  const std::string command = word;
  if (command == "mode") {
    const int mode = atoi(line.c_str() + 4);
    const int previous = nlSetDispatchMode(static_cast<signed char>(mode));
    logFile->Linef("mode set=%d previous=%d", mode, previous);
  } else if (command == "find") {
    PostFinderRequest(reinterpret_cast<HWND>(static_cast<uintptr_t>(a)));
  } else if (command == "post") {
    PostMessageA(reinterpret_cast<HWND>(static_cast<uintptr_t>(a)), static_cast<UINT>(b), static_cast<WPARAM>(c),
                 static_cast<LPARAM>(d));
  } else if (command == "exit") {
    logFile->Linef("release result=%d", nlReleaseHook());
    DestroyWindow(window);
  } else if (command == "terminate") {
    TerminateProcess(GetCurrentProcess(), 9);
  } else if (command == "crash") {
    Crash();
  }
  logFile->Line("done " + line);
}

// Reads what was appended to the command file since the last poll and runs its complete lines.
void PollCommands(HWND window) {
  HANDLE file = CreateFileA(commandPath.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                            nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return;
  LARGE_INTEGER offset;
  offset.QuadPart = commandOffset;
  SetFilePointerEx(file, offset, nullptr, FILE_BEGIN);
  char chunk[4096];
  DWORD got = 0;
  while (ReadFile(file, chunk, sizeof chunk, &got, nullptr) && got > 0) {
    pendingText.append(chunk, got);
    commandOffset += got;
  }
  CloseHandle(file);
  size_t end;
  while ((end = pendingText.find('\n')) != std::string::npos) {
    std::string line = pendingText.substr(0, end);
    pendingText.erase(0, end + 1);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (!line.empty()) RunCommand(window, line);
  }
}

LRESULT CALLBACK HostProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_HOOK_KEY:
      ++keyReports;
      if (countsReports) nlSetReportsHandled(keyReports);  // this host answers: the hooks go on withholding
      if (quietKeys) return 0;
      logFile->Linef("WM_HOOK_KEY wp=0x%llx lp=0x%08lx", Value(wParam), static_cast<unsigned long>(lParam & 0xFFFFFFFF));
      return 0;
    case WM_FIND_REPLY: LogFindReply(wParam); return 0;
    case WM_HOOK_ACTIVATE: logFile->Linef("WM_HOOK_ACTIVATE wp=0x%llx", Value(wParam)); return 0;
    case WM_HOOK_CLOSE:
      logFile->Linef("WM_HOOK_CLOSE wp=0x%llx lp=0x%llx", Value(wParam), Value(static_cast<uintptr_t>(lParam)));
      return 0;
    case WM_TIMER: PollCommands(window); return 0;
    case WM_DESTROY: PostQuitMessage(0); return 0;
  }
  return DefWindowProcA(window, message, wParam, lParam);
}

LRESULT CALLBACK HandOnEveryKey(int code, WPARAM wParam, LPARAM lParam) {
  return CallNextHookEx(nullptr, code, wParam, lParam);
}

int Probe() {
  char path[NL_FIND_FIELD_SIZE] = "untouched";
  char command[NL_FIND_FIELD_SIZE] = "untouched";
  const int mode = nlSetDispatchMode(-1);
  const int pathOk = nlGetFindModulePath(path, NL_FIND_FIELD_SIZE);
  const int commandOk = nlGetFindModuleCommand(command, NL_FIND_FIELD_SIZE);
  const int released = nlReleaseHook();
  logFile->Linef("probe mode=%d path_ok=%d path=%s command_ok=%d command=%s release=%d", mode, pathOk, path,
                 commandOk, command, released);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  ToolLog log(OptionValue(argc, argv, "--log"));
  logFile = &log;
  log.Linef("start pid=%lu", GetCurrentProcessId());
  if (HasOption(argc, argv, "--probe")) return Probe();
  commandPath = OptionValue(argc, argv, "--commands");
  quietKeys = HasOption(argc, argv, "--quiet-keys");

  WNDCLASSA wc = {};
  wc.lpfnWndProc = HostProc;
  wc.hInstance = GetModuleHandleA(nullptr);
  wc.lpszClassName = "VakroHookHost";
  RegisterClassA(&wc);
  HWND window = CreateWindowExA(WS_EX_TOOLWINDOW, wc.lpszClassName, "hookhost", WS_POPUP, 0, 0, 1, 1, nullptr,
                                nullptr, wc.hInstance, nullptr);
  if (!window) return 1;
  // A host of the five exports only, unless it starts the hook process as vakro does.
  const std::string companion = OptionValue(argc, argv, "--companion");
  const bool floor = HasOption(argc, argv, "--floor");
  const BOOL started = floor ? SetWindowsHookExA(WH_KEYBOARD_LL, HandOnEveryKey, GetModuleHandleA(nullptr), 0) != nullptr
                       : companion.empty()
                           ? nlStartHook(window)
                           : nlStartHooks(window, NL_HOOK_GETMESSAGE | NL_HOOK_CALLWNDPROC | NL_WATCHDOG);
  log.Linef("hooked ok=%d hwnd=0x%llx", started, Value(reinterpret_cast<uintptr_t>(window)));
  countsReports = !companion.empty();
  THandle companionProcess;
  if (!companion.empty())
    log.Linef("companion started=%d", StartHookProcessProgram(companion.c_str(), window, true, companionProcess));
  SetTimer(window, 1, 5, nullptr);

  MSG message;
  while (GetMessageA(&message, nullptr, 0, 0) > 0) DispatchMessageA(&message);
  log.Linef("exit key_reports=%lu", keyReports);
  return 0;
}
