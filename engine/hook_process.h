// vakro's hook process (vakrohook.exe beside the program; on 64-bit Windows the 32-bit vakro
// starts the 64-bit x64\vakrohook64.exe, which also answers the app finder for the windows of
// 64-bit programs). Its low-level hook decides every key event for vakro's window; it loads
// nothing into other programs and ends by itself as soon as this process ends. When it ends
// before (killed, crashed), the owner is told and starts it again.
#pragma once

#include <windows.h>

#include "toolkit/handles.h"

class THookProcess {
 public:
  THookProcess() = default;
  ~THookProcess();
  THookProcess(const THookProcess&) = delete;
  THookProcess& operator=(const THookProcess&) = delete;

  // Starts the hook process for the window, which gets `endedMessage` posted once the process
  // ends; false when the program is missing or could not start.
  bool Start(HWND engineWindow, UINT endedMessage);
  // Stops watching (the process ends with this one).
  void Forget();

 private:
  THandle process_;
  HANDLE wait_ = nullptr;
  HWND engineWindow_ = nullptr;
  UINT endedMessage_ = 0;
};

// Starts `program` as the hook process for the window; its process handle goes to `process`.
bool StartHookProcessProgram(const char* program, HWND engineWindow, bool serves64BitWindows, THandle& process);

// Asks the window for the finder's answer, and the hook process too where it answers for the
// windows of 64-bit programs.
void PostFinderRequest(HWND target);
