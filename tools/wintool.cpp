// A console tool the end-to-end tests use to look at and talk to windows by Win32 calls:
//   wintool find CLASS [TITLE]            top-level window handle (hex), exit 1 when none
//   wintool info HWND                     visible, enabled, rect, class and title of a window
//   wintool send|post HWND MSG WP LP      SendMessage / PostMessage (numbers in C syntax)
//   wintool texts CAPTION                 texts of the controls of each dialog with the caption
//   wintool press CAPTION BUTTON          clicks the button of the dialog with the caption
//   wintool foreground                    the foreground window's handle and title
//   wintool children HWND                 every child window: handle, class, id, visible, text
//   wintool process HWND                  the window's process: id, handle count, private bytes
// Texts are printed as the program's ANSI code page gives them (Shift-JIS here).
#include <windows.h>
#include <psapi.h>

#include <algorithm>
#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

HWND ParseHandle(const char* text) {
  return reinterpret_cast<HWND>(static_cast<uintptr_t>(std::strtoull(text, nullptr, 0)));
}

unsigned long long HandleValue(HWND window) {
  return static_cast<unsigned long long>(reinterpret_cast<uintptr_t>(window));
}

std::string TextOf(HWND window) {
  char text[1024] = {};
  GetWindowTextA(window, text, sizeof text);
  return text;
}

std::string ClassOf(HWND window) {
  char name[256] = {};
  GetClassNameA(window, name, sizeof name);
  return name;
}

BOOL CALLBACK CollectWindow(HWND window, LPARAM list) {
  reinterpret_cast<std::vector<HWND>*>(list)->push_back(window);
  return TRUE;
}

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

std::vector<HWND> DialogsWithCaption(const std::string& caption) {
  std::vector<HWND> dialogs;
  for (HWND window : TopLevelWindows())
    if (ClassOf(window) == "#32770" && TextOf(window) == caption && IsWindowVisible(window))
      dialogs.push_back(window);
  return dialogs;
}

int Find(int argc, char** argv) {
  for (HWND window : TopLevelWindows()) {
    if (ClassOf(window) != argv[2]) continue;
    if (argc > 3 && TextOf(window) != argv[3]) continue;
    std::printf("0x%llx\n", HandleValue(window));
    return 0;
  }
  return 1;
}

int Info(HWND window) {
  if (!IsWindow(window)) return 1;
  RECT r = {};
  GetWindowRect(window, &r);
  std::printf("visible=%d enabled=%d rect=%ld,%ld,%ld,%ld class=%s title=%s\n",
              IsWindowVisible(window) ? 1 : 0, IsWindowEnabled(window) ? 1 : 0, r.left, r.top,
              r.right, r.bottom, ClassOf(window).c_str(), TextOf(window).c_str());
  return 0;
}

int Message(bool send, char** argv) {
  HWND window = ParseHandle(argv[2]);
  UINT message = static_cast<UINT>(std::strtoul(argv[3], nullptr, 0));
  WPARAM wParam = static_cast<WPARAM>(std::strtoull(argv[4], nullptr, 0));
  LPARAM lParam = static_cast<LPARAM>(std::strtoll(argv[5], nullptr, 0));
  if (send) {
    DWORD_PTR result = 0;
    if (!SendMessageTimeoutA(window, message, wParam, lParam, SMTO_NORMAL, 10000, &result)) return 1;
    std::printf("%lld\n", static_cast<long long>(result));
    return 0;
  }
  return PostMessageA(window, message, wParam, lParam) ? 0 : 1;
}

int Texts(const char* caption) {
  std::vector<HWND> dialogs = DialogsWithCaption(caption);
  for (HWND dialog : dialogs) {
    std::printf("dialog 0x%llx\n", HandleValue(dialog));
    for (HWND child : ChildWindows(dialog))
      if (!TextOf(child).empty()) std::printf("%s %s\n", ClassOf(child).c_str(), TextOf(child).c_str());
  }
  return dialogs.empty() ? 1 : 0;
}

int Press(const char* caption, const char* button) {
  for (HWND dialog : DialogsWithCaption(caption))
    for (HWND child : ChildWindows(dialog))
      if (ClassOf(child) == "Button" && TextOf(child) == button) {
        PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(child), BN_CLICKED),
                     reinterpret_cast<LPARAM>(child));
        return 0;
      }
  return 1;
}

int Children(HWND parent) {
  for (HWND child : ChildWindows(parent))
    std::printf("0x%llx %s id=%d visible=%d enabled=%d text=%s\n", HandleValue(child),
                ClassOf(child).c_str(), GetDlgCtrlID(child), IsWindowVisible(child) ? 1 : 0,
                IsWindowEnabled(child) ? 1 : 0, TextOf(child).c_str());
  return 0;
}

// The handles a process holds, from the system's handle table: Wine answers
// GetProcessHandleCount for another process with 0, so the table is counted instead.
struct SystemHandleEntry {
  ULONG ownerProcessId;
  BYTE objectType;
  BYTE flags;
  USHORT value;
  PVOID object;
  ACCESS_MASK access;
};

struct SystemHandleTable {
  ULONG count;
  SystemHandleEntry first;
};

long CountHandlesInSystemTable(DWORD processId) {
  using Query = LONG(WINAPI*)(ULONG, PVOID, ULONG, PULONG);
  const auto query = reinterpret_cast<Query>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("ntdll.dll"), "NtQuerySystemInformation")));
  if (!query) return -1;
  const ULONG kSystemHandleInformation = 16;
  const LONG kInfoLengthMismatch = static_cast<LONG>(0xC0000004);
  std::vector<unsigned char> buffer(1 << 16);
  LONG status;
  ULONG needed = 0;
  while ((status = query(kSystemHandleInformation, buffer.data(), static_cast<ULONG>(buffer.size()),
                         &needed)) == kInfoLengthMismatch)
    buffer.resize(std::max<size_t>(buffer.size() * 2, needed + 4096));
  if (status < 0) return -1;
  ULONG count = 0;
  std::memcpy(&count, buffer.data(), sizeof count);
  const size_t first = offsetof(SystemHandleTable, first);
  const size_t fits = (buffer.size() - first) / sizeof(SystemHandleEntry);
  long owned = 0;
  for (size_t i = 0; i < std::min<size_t>(count, fits); ++i) {
    SystemHandleEntry entry;
    std::memcpy(&entry, buffer.data() + first + i * sizeof entry, sizeof entry);
    if (entry.ownerProcessId == processId) ++owned;
  }
  return owned;
}

// Looked at from outside, as a leak would show: the handles the process holds and the memory
// it alone uses (Wine gives no private bytes for another process; its commit charge and working
// set are printed beside).
int Process(HWND window) {
  DWORD processId = 0;
  if (!GetWindowThreadProcessId(window, &processId)) return 1;
  HANDLE process = OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, processId);
  if (!process) return 1;
  DWORD handles = 0;
  PROCESS_MEMORY_COUNTERS_EX memory = {};
  memory.cb = sizeof memory;
  const bool ok = GetProcessHandleCount(process, &handles) &&
                  GetProcessMemoryInfo(process, reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&memory),
                                       sizeof memory);
  CloseHandle(process);
  if (!ok) return 1;
  std::printf("pid=%lu handles=%lu table_handles=%ld private=%llu pagefile=%llu working_set=%llu\n",
              processId, handles, CountHandlesInSystemTable(processId),
              static_cast<unsigned long long>(memory.PrivateUsage),
              static_cast<unsigned long long>(memory.PagefileUsage),
              static_cast<unsigned long long>(memory.WorkingSetSize));
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  const std::string command = argc > 1 ? argv[1] : "";
  int status = 2;
  if (command == "find" && argc >= 3) status = Find(argc, argv);
  else if (command == "info" && argc == 3) status = Info(ParseHandle(argv[2]));
  else if ((command == "send" || command == "post") && argc == 6) status = Message(command == "send", argv);
  else if (command == "texts" && argc == 3) status = Texts(argv[2]);
  else if (command == "press" && argc == 4) status = Press(argv[2], argv[3]);
  else if (command == "foreground" && argc == 2) status = Info(GetForegroundWindow());
  else if (command == "children" && argc == 3) status = Children(ParseHandle(argv[2]));
  else if (command == "process" && argc == 3) status = Process(ParseHandle(argv[2]));
  else std::fprintf(stderr, "wintool: see the comment at the top of wintool.cpp for its use\n");
  std::fflush(stdout);
  return status;
}
