#include "engine/window_raiser.h"

#include <windows.h>

#include <vector>

#include "engine/foreground_program.h"
#include "engine/raise_decision.h"

namespace {

const int kForegroundAttempts = 3;
const DWORD kForegroundWaitMs = 200;  // the activation reaches the window's thread as an event

HWND WindowOf(uintptr_t handle) { return reinterpret_cast<HWND>(handle); }

std::string FullPath(const std::string& path) {
  char full[MAX_PATH * 2] = {};
  const DWORD length = GetFullPathNameA(path.c_str(), sizeof full, full, nullptr);
  return length && length < sizeof full ? std::string(full, length) : std::string();
}

// Short (8.3) folder names spelled out, as image paths are; the path as given when it names no file.
std::string LongPath(const std::string& path) {
  char longPath[MAX_PATH * 2] = {};
  const DWORD length = GetLongPathNameA(path.c_str(), longPath, sizeof longPath);
  return length && length < sizeof longPath ? std::string(longPath, length) : path;
}

// A bare name ("notepad", "notepad.exe") is looked for as a program on the search path, as the
// shell finds it; anything with a folder is made full against the current folder.
std::string ResolvedProgramPath(const std::string& text) {
  if (text.find_first_of("\\/:") != std::string::npos) return LongPath(FullPath(text));
  char found[MAX_PATH * 2] = {};
  const DWORD length = SearchPathA(nullptr, text.c_str(), ".exe", sizeof found, found, nullptr);
  return length && length < sizeof found ? LongPath(std::string(found, length)) : std::string();
}

BOOL CALLBACK CollectTopWindow(HWND window, LPARAM data) {
  TTopWindow top;
  top.handle = reinterpret_cast<uintptr_t>(window);
  DWORD processId = 0;
  GetWindowThreadProcessId(window, &processId);
  top.processId = processId;
  top.visible = IsWindowVisible(window) != FALSE;
  top.owned = GetWindow(window, GW_OWNER) != nullptr;
  top.minimized = IsIconic(window) != FALSE;
  reinterpret_cast<std::vector<TTopWindow>*>(data)->push_back(top);
  return TRUE;
}

// EnumWindows lists top-level windows in Z order from the top; a window comes to the top when
// it is activated, so the first of a program's windows is the one its user had last.
std::vector<TTopWindow> TopWindowsTopDown() {
  std::vector<TTopWindow> windows;
  EnumWindows(CollectTopWindow, reinterpret_cast<LPARAM>(&windows));
  return windows;
}

HWND RootOwner(HWND window) { return window ? GetAncestor(window, GA_ROOTOWNER) : nullptr; }

bool InFront(HWND window) { return RootOwner(GetForegroundWindow()) == window; }

bool WaitUntilInFront(HWND window) {
  const DWORD start = GetTickCount();
  while (!InFront(window)) {
    if (GetTickCount() - start >= kForegroundWaitMs) return false;
    Sleep(10);
  }
  return true;
}

// An input event from this process makes it the one that gave the last input, one of the
// conditions under which the system lets it set the foreground. A mouse move by nothing leaves
// the pointer where it is and never reaches a keyboard hook, so the hook process's chord
// handling does not see it.
void SendEmptyInput() {
  INPUT input = {};
  input.type = INPUT_MOUSE;
  input.mi.dwFlags = MOUSEEVENTF_MOVE;
  SendInput(1, &input, sizeof input);
}

// The foreground thread's input shared with this thread while it lasts.
class TAttachedInput {
 public:
  explicit TAttachedInput(DWORD otherThread)
      : own_(GetCurrentThreadId()),
        other_(otherThread),
        attached_(otherThread && otherThread != own_ && AttachThreadInput(own_, otherThread, TRUE)) {}
  TAttachedInput(const TAttachedInput&) = delete;
  TAttachedInput& operator=(const TAttachedInput&) = delete;
  ~TAttachedInput() {
    if (attached_) AttachThreadInput(own_, other_, FALSE);
  }
  bool Attached() const { return attached_; }

 private:
  DWORD own_;
  DWORD other_;
  bool attached_;
};

// The last resort where the system still refuses: a thread that shares the foreground thread's
// input may hand its activation on.
bool ForegroundThroughForegroundInput(HWND window, HWND target) {
  const HWND foreground = GetForegroundWindow();
  const TAttachedInput attached(foreground ? GetWindowThreadProcessId(foreground, nullptr) : 0);
  if (!attached.Attached()) return false;
  SetForegroundWindow(target);
  BringWindowToTop(target);
  return WaitUntilInFront(window);
}

// The window's own pop-up its user had last (a dialog it shows), else the window itself.
HWND ActivationTarget(HWND window) {
  const HWND popup = GetLastActivePopup(window);
  return popup && IsWindowVisible(popup) ? popup : window;
}

// Asynchronous show commands, so that a program that does not answer cannot hold up the starts
// queued behind this one.
void BringToFront(HWND window) {
  if (IsIconic(window)) ShowWindowAsync(window, SW_RESTORE);
  const HWND target = ActivationTarget(window);
  for (int attempt = 0; attempt < kForegroundAttempts; ++attempt) {
    SendEmptyInput();
    SetForegroundWindow(target);
    if (WaitUntilInFront(window)) return;
  }
  ForegroundThroughForegroundInput(window, target);
}

}  // namespace

bool RaiseRunningCopy(const std::string& executableText, bool minimizeInFront) {
  const TRaiseDecision decision =
      DecideRaise(ResolvedProgramPath(executableText), minimizeInFront, TopWindowsTopDown(),
                  reinterpret_cast<uintptr_t>(RootOwner(GetForegroundWindow())),
                  [](uint32_t processId) { return ProcessImagePath(processId); });
  switch (decision.action) {
    case TRaiseAction::kStart: return false;
    case TRaiseAction::kRaise: BringToFront(WindowOf(decision.window)); return true;
    case TRaiseAction::kMinimize: ShowWindowAsync(WindowOf(decision.window), SW_MINIMIZE); return true;
  }
  return false;
}
