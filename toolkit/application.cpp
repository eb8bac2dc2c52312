#include "toolkit/application.h"

TApplication Application;

namespace {

const char kClassName[] = "TVakroApplication";
// Registered, so no other program's private message can be taken for it.
const UINT WM_RUN_ON_MAIN = RegisterWindowMessageA("TVakroApplication.RunOnMainThread");

}  // namespace

bool TApplication::Initialize(const char* title) {
  WNDCLASSA windowClass = {};
  windowClass.lpfnWndProc = WindowProc;
  windowClass.hInstance = GetModuleHandleA(nullptr);
  windowClass.lpszClassName = kClassName;
  RegisterClassA(&windowClass);
  window_ = CreateWindowExA(0, kClassName, title, WS_POPUP | WS_CAPTION | WS_SYSMENU, 0, 0, 0, 0,
                            nullptr, nullptr, windowClass.hInstance, nullptr);
  if (!window_) return false;
  LONG_PTR exStyle = GetWindowLongPtrA(window_, GWL_EXSTYLE);
  SetWindowLongPtrA(window_, GWL_EXSTYLE, exStyle | WS_EX_TOOLWINDOW);
  return true;
}

void TApplication::SetTitle(const char* title) { SetWindowTextA(window_, title); }

bool TApplication::DispatchOne(MSG& message) {
  if (message.message == WM_QUIT) {
    terminated_ = true;
    return false;
  }
  const bool forDialog = dialogWindow_ && IsWindowVisible(dialogWindow_) &&
                         (message.hwnd == dialogWindow_ || IsChild(dialogWindow_, message.hwnd));
  if (forDialog && message.message == WM_KEYDOWN && dialogKeyFilter_ && dialogKeyFilter_(message))
    return true;
  if (dialogWindow_ && IsWindowVisible(dialogWindow_) && IsDialogMessageA(dialogWindow_, &message))
    return true;
  TranslateMessage(&message);
  DispatchMessageA(&message);
  return true;
}

void TApplication::Run() {
  MSG message;
  while (!terminated_) {
    if (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
      DispatchOne(message);
      continue;
    }
    if (onIdle_) onIdle_();
    if (!terminated_) WaitForMessage();
  }
}

void TApplication::SetWaitHandle(HANDLE handle, std::function<void()> signalled) {
  waitHandle_ = handle;
  waitSignalled_ = std::move(signalled);
}

void TApplication::WaitForMessage() {
  if (!waitHandle_) {
    WaitMessage();
    return;
  }
  const DWORD woke = MsgWaitForMultipleObjectsEx(1, &waitHandle_, INFINITE, QS_ALLINPUT,
                                                 MWMO_INPUTAVAILABLE);
  if (woke == WAIT_OBJECT_0 && waitSignalled_) waitSignalled_();
}

void TApplication::Terminate() {
  terminated_ = true;
  PostQuitMessage(0);
}

void TApplication::ProcessMessages() {
  MSG message;
  while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
    if (!DispatchOne(message)) {
      PostQuitMessage(0);
      break;
    }
  }
}

void TApplication::RunOnMainThread(const std::function<void()>& work) {
  if (GetWindowThreadProcessId(window_, nullptr) == GetCurrentThreadId()) {
    work();
    return;
  }
  {
    std::lock_guard<std::mutex> lock(queueLock_);
    queuedWork_.push_back(&work);
  }
  // The main thread handles sent messages in order, so when this returns the work has run.
  SendMessageA(window_, WM_RUN_ON_MAIN, 0, 0);
}

void TApplication::RunQueuedWork() {
  for (;;) {
    const std::function<void()>* work = nullptr;
    {
      std::lock_guard<std::mutex> lock(queueLock_);
      if (queuedWork_.empty()) return;
      work = queuedWork_.front();
      queuedWork_.pop_front();
    }
    (*work)();
  }
}

LRESULT CALLBACK TApplication::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_RUN_ON_MAIN && WM_RUN_ON_MAIN != 0) {
    Application.RunQueuedWork();
    return 0;
  }
  return DefWindowProcA(window, message, wParam, lParam);
}
