// Prints what the end-to-end tests need to see of the desktop's windows, on standard output:
//   wintree                 every top-level window and its descendants, one line each:
//                           "<depth> hwnd=0x.. id=N visible=0|1 enabled=0|1 focus=0|1
//                           rect=x,y,w,h class=NAME text=TEXT" (screen coordinates)
//   wintree --link PATH     the target of the shortcut PATH
//   wintree --keyname HEX   GetKeyNameTextA of the keystroke flags HEX
#include <windows.h>
#include <objidl.h>
#include <shlguid.h>
#include <shlobj.h>

#include <cstdio>
#include <cstring>
#include <string>

namespace {

std::string WindowText(HWND window) {
  // WM_GETTEXT reaches into other processes; a bounded buffer, grown when it was full.
  for (size_t size = 256; size <= 65536; size *= 4) {
    std::string text(size, '\0');
    DWORD_PTR copied = 0;
    if (!SendMessageTimeoutA(window, WM_GETTEXT, size, reinterpret_cast<LPARAM>(text.data()),
                             SMTO_ABORTIFHUNG, 2000, &copied))
      return {};
    if (copied + 1 < size) {
      text.resize(copied);
      return text;
    }
  }
  return {};
}

void PrintWindow(HWND window, int depth, HWND focus) {
  char className[128] = {};
  GetClassNameA(window, className, sizeof className);
  RECT rect = {};
  GetWindowRect(window, &rect);
  std::string text = WindowText(window);
  for (char& c : text)
    if (c == '\r' || c == '\n') c = ' ';
  std::printf("%d hwnd=0x%llx id=%ld visible=%d enabled=%d focus=%d rect=%ld,%ld,%ld,%ld class=%s text=%s\n",
              depth, static_cast<unsigned long long>(reinterpret_cast<uintptr_t>(window)),
              static_cast<long>(GetWindowLongPtrA(window, GWLP_ID)), IsWindowVisible(window) ? 1 : 0,
              IsWindowEnabled(window) ? 1 : 0, window == focus ? 1 : 0, rect.left, rect.top,
              rect.right - rect.left, rect.bottom - rect.top, className, text.c_str());
}

struct TreeWalk {
  HWND focus;
};

BOOL CALLBACK PrintChild(HWND window, LPARAM data) {
  // EnumChildWindows visits every descendant; the depth is the number of child steps.
  int depth = 0;
  for (HWND up = window; up && (GetWindowLongPtrA(up, GWL_STYLE) & WS_CHILD); up = GetParent(up))
    ++depth;
  PrintWindow(window, depth, reinterpret_cast<TreeWalk*>(data)->focus);
  return TRUE;
}

// The focus of the thread that owns the window, seen from outside.
HWND FocusOf(HWND window) {
  GUITHREADINFO info = {};
  info.cbSize = sizeof info;
  DWORD thread = GetWindowThreadProcessId(window, nullptr);
  return GetGUIThreadInfo(thread, &info) ? info.hwndFocus : nullptr;
}

BOOL CALLBACK PrintTopLevel(HWND window, LPARAM) {
  TreeWalk walk = {FocusOf(window)};
  PrintWindow(window, 0, walk.focus);
  EnumChildWindows(window, PrintChild, reinterpret_cast<LPARAM>(&walk));
  return TRUE;
}

int PrintLinkTarget(const char* link) {
  CoInitialize(nullptr);
  int result = 1;
  IShellLinkA* shellLink = nullptr;
  if (SUCCEEDED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                 reinterpret_cast<void**>(&shellLink)))) {
    IPersistFile* file = nullptr;
    if (SUCCEEDED(shellLink->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file)))) {
      wchar_t wide[MAX_PATH] = {};
      MultiByteToWideChar(CP_ACP, 0, link, -1, wide, MAX_PATH);
      char path[MAX_PATH] = {};
      if (SUCCEEDED(file->Load(wide, STGM_READ)) &&
          SUCCEEDED(shellLink->GetPath(path, MAX_PATH, nullptr, 0))) {
        std::printf("%s\n", path);
        result = 0;
      }
      file->Release();
    }
    shellLink->Release();
  }
  CoUninitialize();
  return result;
}

int PrintKeyName(const char* flags) {
  char name[64] = {};
  GetKeyNameTextA(static_cast<LONG>(std::strtoul(flags, nullptr, 16)), name, sizeof name);
  std::printf("%s\n", name);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 3 && std::strcmp(argv[1], "--link") == 0) return PrintLinkTarget(argv[2]);
  if (argc == 3 && std::strcmp(argv[1], "--keyname") == 0) return PrintKeyName(argv[2]);
  EnumWindows(PrintTopLevel, 0);
  return 0;
}
