// A top-level or child window owned by a C++ object: one static window procedure stores the
// object at WM_NCCREATE and forwards every message to its HandleMessage.
#pragma once

#include <windows.h>

// Registers a window class of this program under `className` unless it already is; false when
// it could not be registered.
bool RegisterWindowClassOnce(const char* className, WNDPROC procedure, HBRUSH background = nullptr,
                             HICON icon = nullptr);

class TWindow {
 public:
  TWindow() = default;
  virtual ~TWindow();
  TWindow(const TWindow&) = delete;
  TWindow& operator=(const TWindow&) = delete;

  HWND Handle() const { return handle_; }
  bool Visible() const { return handle_ && IsWindowVisible(handle_); }

 protected:
  // Registers the class once (by name) and creates the window for this object.
  bool CreateWindowObject(const char* className, const char* caption, DWORD style,
                          DWORD exStyle, int x, int y, int width, int height, HWND parent,
                          HBRUSH background = nullptr, HICON icon = nullptr);
  virtual LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);
  LRESULT DefaultHandling(UINT message, WPARAM wParam, LPARAM lParam);

 private:
  static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  HWND handle_ = nullptr;
};
