#include "ui/application.h"

TApplication Application;

namespace {

const char kClassName[] = "TVakroApplication";
const UINT WM_RUN_ON_MAIN = WM_APP + 1;

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
    if (!terminated_) WaitMessage();
  }
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
  SendMessageA(window_, WM_RUN_ON_MAIN, 0, reinterpret_cast<LPARAM>(&work));
}

LRESULT CALLBACK TApplication::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_RUN_ON_MAIN) {
    (*reinterpret_cast<const std::function<void()>*>(lParam))();
    return 0;
  }
  return DefWindowProcA(window, message, wParam, lParam);
}
