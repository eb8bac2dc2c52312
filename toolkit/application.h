// The application object: a hidden top-level window that keeps the program off the taskbar,
// the message loop with its idle event, and work handed to the main thread from workers.
#pragma once

#include <windows.h>

#include <deque>
#include <functional>
#include <mutex>

class TApplication {
 public:
  bool Initialize(const char* title);
  void SetTitle(const char* title);
  HWND Handle() const { return window_; }

  // Called whenever the message queue has become empty.
  void SetOnIdle(std::function<void()> onIdle) { onIdle_ = std::move(onIdle); }
  // The window whose dialog keys (Tab, mnemonics) the loop handles.
  void SetDialogWindow(HWND window) { dialogWindow_ = window; }
  // Sees each key press for the dialog window before it does; true when it took the key.
  void SetDialogKeyFilter(std::function<bool(const MSG&)> filter) { dialogKeyFilter_ = std::move(filter); }
  // A kernel object the idle loop waits on beside the message queue: `signalled` runs on the
  // main thread whenever it is signalled (and must make it unsignalled). None: messages only.
  void SetWaitHandle(HANDLE handle, std::function<void()> signalled);

  void Run();
  void Terminate();
  // Handles every message already queued, then returns.
  void ProcessMessages();

  // Runs `work` on the main thread and waits until it has returned (from any thread).
  void RunOnMainThread(const std::function<void()>& work);

 private:
  bool DispatchOne(MSG& message);
  // Waits until a message comes, running the wait handle's work whenever it is signalled.
  void WaitForMessage();
  // Runs every piece of work the workers queued; a message from anywhere else finds none.
  void RunQueuedWork();
  static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

  HWND window_ = nullptr;
  HWND dialogWindow_ = nullptr;
  bool terminated_ = false;
  std::function<void()> onIdle_;
  std::function<bool(const MSG&)> dialogKeyFilter_;
  HANDLE waitHandle_ = nullptr;
  std::function<void()> waitSignalled_;
  std::mutex queueLock_;
  std::deque<const std::function<void()>*> queuedWork_;  // owned by the waiting workers
};

extern TApplication Application;
