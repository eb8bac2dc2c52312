// The windows of the desktop, and the one line format in which wintool describes a window:
//   hwnd=0x.. depth=N id=N visible=0|1 enabled=0|1 focus=0|1 rect=X,Y,W,H class=NAME text=TEXT
// depth counts the child steps up to the top-level window (0 for it); focus marks the window
// that has the keyboard focus of its thread (read from outside, through GetGUIThreadInfo);
// rect is in screen coordinates; the text comes last, line breaks turned into blanks.
#include "tools/wintool.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>

HWND ParseHandle(const char* text) {
  return reinterpret_cast<HWND>(static_cast<uintptr_t>(std::strtoull(text, nullptr, 0)));
}

unsigned long long HandleValue(HWND window) {
  return static_cast<unsigned long long>(reinterpret_cast<uintptr_t>(window));
}

std::string ClassOf(HWND window) {
  char name[256] = {};
  GetClassNameA(window, name, sizeof name);
  return name;
}

std::string CaptionOf(HWND window) {
  char text[1024] = {};
  GetWindowTextA(window, text, sizeof text);
  return text;
}

namespace {

BOOL CALLBACK CollectWindow(HWND window, LPARAM list) {
  reinterpret_cast<std::vector<HWND>*>(list)->push_back(window);
  return TRUE;
}

}  // namespace

std::vector<HWND> TopLevelWindows() {
  std::vector<HWND> windows;
  EnumWindows(CollectWindow, reinterpret_cast<LPARAM>(&windows));
  return windows;
}

std::vector<HWND> ChildWindows(HWND parent) {
  std::vector<HWND> windows;
  EnumChildWindows(parent, CollectWindow, reinterpret_cast<LPARAM>(&windows));
  return windows;
}

namespace {

// The text through WM_GETTEXT, so that controls of other processes that keep their text
// themselves (edit boxes) answer too; a bounded buffer, grown when it was full. A window that
// does not answer in time gives the caption the system keeps.
std::string TextOf(HWND window) {
  for (size_t size = 256; size <= 65536; size *= 4) {
    std::string text(size, '\0');
    DWORD_PTR copied = 0;
    if (!SendMessageTimeoutA(window, WM_GETTEXT, size, reinterpret_cast<LPARAM>(text.data()),
                             SMTO_ABORTIFHUNG, 2000, &copied))
      return CaptionOf(window);
    if (copied + 1 < size) {
      text.resize(copied);
      return text;
    }
  }
  return CaptionOf(window);
}

HWND FocusOf(HWND window) {
  GUITHREADINFO info = {};
  info.cbSize = sizeof info;
  const DWORD thread = GetWindowThreadProcessId(window, nullptr);
  return GetGUIThreadInfo(thread, &info) ? info.hwndFocus : nullptr;
}

int DepthOf(HWND window) {
  int depth = 0;
  for (HWND up = window; up && (GetWindowLongPtrA(up, GWL_STYLE) & WS_CHILD); up = GetParent(up))
    ++depth;
  return depth;
}

void PrintWindowLine(HWND window, HWND focus) {
  RECT rect = {};
  GetWindowRect(window, &rect);
  std::string text = TextOf(window);
  for (char& c : text)
    if (c == '\r' || c == '\n') c = ' ';
  std::printf("hwnd=0x%llx depth=%d id=%ld visible=%d enabled=%d focus=%d rect=%ld,%ld,%ld,%ld class=%s text=%s\n",
              HandleValue(window), DepthOf(window), static_cast<long>(GetWindowLongPtrA(window, GWLP_ID)),
              IsWindowVisible(window) ? 1 : 0, IsWindowEnabled(window) ? 1 : 0, window == focus ? 1 : 0,
              rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top, ClassOf(window).c_str(),
              text.c_str());
}

void PrintDescendants(HWND window, HWND focus) {
  for (HWND child : ChildWindows(window)) PrintWindowLine(child, focus);
}

}  // namespace

// Every top-level window (of the class, when one is given), each followed by its descendants.
int PrintTree(const char* windowClass) {
  for (HWND window : TopLevelWindows()) {
    if (windowClass && ClassOf(window) != windowClass) continue;
    const HWND focus = FocusOf(window);
    PrintWindowLine(window, focus);
    PrintDescendants(window, focus);
  }
  return 0;
}

int PrintChildren(HWND parent) {
  if (!IsWindow(parent)) return 1;
  PrintDescendants(parent, FocusOf(parent));
  return 0;
}

int PrintInfo(HWND window) {
  if (!IsWindow(window)) return 1;
  PrintWindowLine(window, FocusOf(window));
  return 0;
}
