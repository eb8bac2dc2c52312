// Test helpers that wait for windows by the system's word instead of polling: an action run when
// a dialog comes up, and a message pump that waits for messages.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

// Runs `action` once on the first window with the class and title given (an empty title: any)
// that is activated on this thread while the watch lives: a modal dialog, as it comes up.
class TWindowShownWatch {
 public:
  TWindowShownWatch(std::string className, std::string title, std::function<void(HWND)> action)
      : className_(std::move(className)), title_(std::move(title)), action_(std::move(action)) {
    current_ = this;
    hook_ = SetWindowsHookExA(WH_CBT, Activated, nullptr, GetCurrentThreadId());
  }
  ~TWindowShownWatch() {
    if (hook_) UnhookWindowsHookEx(hook_);
    current_ = nullptr;
  }
  TWindowShownWatch(const TWindowShownWatch&) = delete;
  TWindowShownWatch& operator=(const TWindowShownWatch&) = delete;

  bool Fired() const { return fired_; }

 private:
  static LRESULT CALLBACK Activated(int code, WPARAM wParam, LPARAM lParam) {
    TWindowShownWatch* watch = current_;
    const auto window = reinterpret_cast<HWND>(wParam);
    if (code == HCBT_ACTIVATE && watch && !watch->fired_ && watch->Matches(window)) {
      watch->fired_ = true;
      watch->action_(window);
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
  }

  bool Matches(HWND window) const {
    char className[64] = {};
    char title[256] = {};
    GetClassNameA(window, className, sizeof className);
    GetWindowTextA(window, title, sizeof title);
    return className_ == className && (title_.empty() || title_ == title);
  }

  static inline TWindowShownWatch* current_ = nullptr;
  std::string className_, title_;
  std::function<void(HWND)> action_;
  HHOOK hook_ = nullptr;
  bool fired_ = false;
};

// Handles this thread's messages until `done`, sleeping only until the next message comes;
// false when `done` has not come within `limitMs`.
template <typename Condition>
bool PumpUntil(Condition done, DWORD limitMs = 5000) {
  const DWORD start = GetTickCount();
  MSG message;
  while (!done()) {
    const DWORD waited = GetTickCount() - start;
    if (waited > limitMs) return false;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&message);
    if (done()) break;
    MsgWaitForMultipleObjects(0, nullptr, FALSE, limitMs - waited, QS_ALLINPUT);
  }
  return true;
}
