// A console tool the end-to-end tests use to look at and talk to windows by Win32 calls.
// Windows are described by lines of one format (see wintool_windows.cpp):
//   wintool tree [CLASS]                  every top-level window (of the class, when given),
//                                         each followed by all its descendants
//   wintool children HWND                 every descendant of a window
//   wintool info HWND                     the window itself (exit 1 when it is gone)
//   wintool foreground                    the foreground window
// Other answers:
//   wintool find CLASS [TITLE]            top-level window handle (hex), exit 1 when none
//   wintool send|post HWND MSG WP LP      SendMessage / PostMessage (numbers in C syntax);
//                                         post prints "posted" once it has posted
//   wintool texts CAPTION                 texts of the controls of each dialog with the caption
//   wintool press CAPTION BUTTON          clicks the button of the dialog with the caption
//   wintool lock UNTIL FILE...            opens the files without sharing, prints "locked",
//                                         and holds them until the file UNTIL exists; an
//                                         argument "event:NAME" holds an event of that name,
//                                         so no file mapping of the name can be made meanwhile
//   wintool flood HWND COUNT SEED         posts COUNT hook messages with random parameters
//   wintool endsession CAPTION            waits for the window of class TNodraWnd whose title
//                                         begins with CAPTION, posts WM_QUERYENDSESSION to it
//                                         and prints "posted"
//   wintool fillblock BYTE                fills the shared block after its header with BYTE
//   wintool wait CLASS PREFIX SECONDS     polls until a top-level window of the class has a title
//                                         starting with PREFIX; prints its QueryPerformanceCounter
//                                         time in microseconds (exit 1 on time-out)
//   wintool rows HWND                     each row of a report list: "*" when selected, else
//                                         "-", then every column's text, separated by tabs
//   wintool process HWND                  the window's process: id, handle count, private bytes
//   wintool text HWND                     the window's text as its program answers WM_GETTEXT
//   wintool prop HWND NAME                the window property's value as a decimal number
//   wintool tips                          the text of every tool of every tool tip window, one
//                                         a line (the notification-area icons' tips among them)
//   wintool cursor                        the cursor position as programs see it: "X Y"
//   wintool companion                     the process ids in the hook process's block
//                                         (exit 1 when no hook process runs)
//   wintool mutex NAME                    exit 0 when a mutex of the name exists, else 1
//   wintool running EXE                   how many processes of the executable file name run
//   wintool tick                          the system's GetTickCount, the hooks' clock
//   wintool hooks                         the hooks' shared state: the mode, the report counts
//                                         and the withheld queue (exit 1 when there is none)
//   wintool link PATH                     the target of the shortcut PATH
//   wintool keyname HEX...                the platform's name of each keystroke flags value:
//                                         "FLAGS NAME" per line
// Texts are printed as the program's ANSI code page gives them (Shift-JIS here).
#include "tools/wintool.h"

#include "hooklib/companion_block.h"
#include "hooklib/shared_block.h"

#include <tlhelp32.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

std::vector<HWND> DialogsWithCaption(const std::string& caption) {
  std::vector<HWND> dialogs;
  for (HWND window : TopLevelWindows())
    if (ClassOf(window) == "#32770" && CaptionOf(window) == caption && IsWindowVisible(window))
      dialogs.push_back(window);
  return dialogs;
}

int Find(int argc, char** argv) {
  for (HWND window : TopLevelWindows()) {
    if (ClassOf(window) != argv[2]) continue;
    if (argc > 3 && CaptionOf(window) != argv[3]) continue;
    std::printf("0x%llx\n", HandleValue(window));
    return 0;
  }
  return 1;
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
  if (!PostMessageA(window, message, wParam, lParam)) return 1;
  std::printf("posted\n");
  std::fflush(stdout);  // at once: callers time what follows from this line
  return 0;
}

int Texts(const char* caption) {
  std::vector<HWND> dialogs = DialogsWithCaption(caption);
  for (HWND dialog : dialogs) {
    std::printf("dialog 0x%llx\n", HandleValue(dialog));
    for (HWND child : ChildWindows(dialog))
      if (!CaptionOf(child).empty()) std::printf("%s %s\n", ClassOf(child).c_str(), CaptionOf(child).c_str());
  }
  return dialogs.empty() ? 1 : 0;
}

int Press(const char* caption, const char* button) {
  for (HWND dialog : DialogsWithCaption(caption))
    for (HWND child : ChildWindows(dialog))
      if (ClassOf(child) == "Button" && CaptionOf(child) == button) {
        PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(child), BN_CLICKED),
                     reinterpret_cast<LPARAM>(child));
        return 0;
      }
  return 1;
}

// Waits (up to 30 s) until the program has started, then asks it to save as at a session end.
int EndSession(const char* caption) {
  const size_t length = std::strlen(caption);
  for (int i = 0; i < 6000; ++i) {
    for (HWND window : TopLevelWindows())
      if (ClassOf(window) == "TNodraWnd" && CaptionOf(window).compare(0, length, caption) == 0) {
        PostMessageA(window, WM_QUERYENDSESSION, 0, 0);
        std::printf("posted\n");
        std::fflush(stdout);  // at once: callers time what follows from this line
        return 0;
      }
    Sleep(5);
  }
  return 1;
}

// Holds the files open with share mode 0, so no other process can open them meanwhile.
int Lock(int argc, char** argv) {
  std::vector<HANDLE> files;
  for (int i = 3; i < argc; ++i) {
    const bool event = std::strncmp(argv[i], "event:", 6) == 0;
    HANDLE file = event ? CreateEventA(nullptr, TRUE, FALSE, argv[i] + 6)
                        : CreateFileA(argv[i], GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                      OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (!file || file == INVALID_HANDLE_VALUE) {
      std::fprintf(stderr, "wintool: cannot lock %s (%lu)\n", argv[i], GetLastError());
      return 1;
    }
    files.push_back(file);
  }
  std::printf("locked\n");
  std::fflush(stdout);
  while (GetFileAttributesA(argv[2]) == INVALID_FILE_ATTRIBUTES) Sleep(10);
  for (HANDLE file : files) CloseHandle(file);
  return 0;
}

// A small fixed generator, so a seed gives the same messages on every run.
struct Random {
  unsigned long long state;
  unsigned long long Next() {
    state ^= state << 13;
    state ^= state >> 7;
    state ^= state << 17;
    return state;
  }
};

// The messages the hooks post, with random parameters; a full queue is waited out.
int Flood(char** argv) {
  const UINT kMessages[] = {0x81F4, 0x8259, 0x825A, 0x825B};  // key, finder reply, activate, close
  HWND window = ParseHandle(argv[2]);
  const unsigned long count = std::strtoul(argv[3], nullptr, 0);
  Random random{std::strtoull(argv[4], nullptr, 0) * 2654435761ull + 1};
  unsigned long posted = 0, refused = 0;
  for (unsigned long i = 0; i < count; ++i) {
    const UINT message = kMessages[random.Next() % 4];
    const WPARAM wParam = static_cast<WPARAM>(random.Next());
    const LPARAM lParam = static_cast<LPARAM>(random.Next());
    int tries = 0;
    while (!PostMessageA(window, message, wParam, lParam)) {
      if (!IsWindow(window) || ++tries > 1000) break;
      Sleep(1);
    }
    if (tries > 1000 || !IsWindow(window)) ++refused;
    else ++posted;
  }
  std::printf("posted=%lu refused=%lu\n", posted, refused);
  return IsWindow(window) ? 0 : 1;
}

// Overwrites everything after the hook handles, the finder fields included, with one byte:
// what any process of the desktop may do to the block.
int FillBlock(const char* byteText) {
  HANDLE mapping = OpenFileMappingA(FILE_MAP_WRITE, FALSE, "NodraMemFileJP01");
  if (!mapping) return 1;
  auto* block = static_cast<unsigned char*>(MapViewOfFile(mapping, FILE_MAP_WRITE, 0, 0, 544));
  if (!block) {
    CloseHandle(mapping);
    return 1;
  }
  const int kFinderFields = 20;
  std::memset(block + kFinderFields, static_cast<int>(std::strtoul(byteText, nullptr, 0)),
              544 - kFinderFields);
  UnmapViewOfFile(block);
  CloseHandle(mapping);
  return 0;
}

// What the hooks share, for a test that failed to say where keys stood.
int PrintHooks() {
  HANDLE mapping = OpenFileMappingA(FILE_MAP_READ, FALSE, kSharedBlockName);
  if (!mapping) return 1;
  const auto* shared = static_cast<const TSharedMapping*>(MapViewOfFile(mapping, FILE_MAP_READ, 0, 0, 0));
  if (shared) {
    const TSharedExtension& x = shared->extension;
    std::printf("mode=%d posted=%ld handled=%ld passedUnanswered=%ld continuation=%ld leaders=%ld hookWindow=%lx\n",
                shared->block.dispatchMode, x.reportsPosted, x.reportsHandled, x.passedUnanswered,
                x.continuationCount, x.leaderCount, x.hookWindow);
    for (LONG at = x.head; at != x.tail; ++at) {
      const TWithheldEntry& entry = x.withheld[static_cast<size_t>(at) % kWithheldCapacity];
      std::printf("queued %ld state=%d vk=%02x %s copiesOut=%u\n", at, WithheldStateOf(entry.word), entry.virtualKey,
                  entry.release ? "up" : "down", entry.copiesOut);
    }
    UnmapViewOfFile(shared);
  }
  CloseHandle(mapping);
  return shared ? 0 : 1;
}

int Cursor() {
  POINT point;
  if (!GetCursorPos(&point)) return 1;
  std::printf("%ld %ld\n", point.x, point.y);
  return 0;
}

int Companion() {
  HANDLE mapping = OpenFileMappingA(FILE_MAP_READ, FALSE, kCompanionBlockName);
  if (!mapping) return 1;
  const auto* block = static_cast<const CompanionBlock*>(MapViewOfFile(mapping, FILE_MAP_READ, 0, 0, 0));
  if (block) {
    std::printf("program=%u companion=%u\n", block->programProcess, block->companionProcess);
    UnmapViewOfFile(block);
  }
  CloseHandle(mapping);
  return block ? 0 : 1;
}

// Whether a mutex of the name exists (held by a running program): exit status 0, else 1.
int MutexExists(const char* name) {
  HANDLE mutex = OpenMutexA(SYNCHRONIZE, FALSE, name);
  if (!mutex) return 1;
  CloseHandle(mutex);
  return 0;
}

// How many processes run the executable of this file name (any case).
int CountRunning(const char* exeName) {
  const HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
  if (snapshot == INVALID_HANDLE_VALUE) return 1;
  PROCESSENTRY32 entry = {};
  entry.dwSize = sizeof entry;
  int count = 0;
  for (BOOL more = Process32First(snapshot, &entry); more; more = Process32Next(snapshot, &entry))
    if (lstrcmpiA(entry.szExeFile, exeName) == 0) ++count;
  CloseHandle(snapshot);
  std::printf("%d\n", count);
  return 0;
}

int64_t NowMicroseconds() {
  LARGE_INTEGER now, frequency;
  QueryPerformanceCounter(&now);
  QueryPerformanceFrequency(&frequency);
  return now.QuadPart / frequency.QuadPart * 1000000 +
         now.QuadPart % frequency.QuadPart * 1000000 / frequency.QuadPart;
}

bool HasWindowWithTitlePrefix(const std::string& windowClass, const std::string& prefix) {
  for (HWND window : TopLevelWindows())
    if (ClassOf(window) == windowClass && CaptionOf(window).rfind(prefix, 0) == 0) return true;
  return false;
}

int Wait(const char* windowClass, const char* prefix, const char* seconds) {
  const int64_t deadline = NowMicroseconds() + static_cast<int64_t>(std::atof(seconds) * 1e6);
  while (NowMicroseconds() < deadline) {
    if (HasWindowWithTitlePrefix(windowClass, prefix)) {
      std::printf("found %lld\n", static_cast<long long>(NowMicroseconds()));
      return 0;
    }
    Sleep(1);
  }
  return 1;
}

int PrintProperty(HWND window, const char* name) {
  if (!IsWindow(window)) return 1;
  std::printf("%llu\n", static_cast<unsigned long long>(reinterpret_cast<uintptr_t>(GetPropA(window, name))));
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  const std::string command = argc > 1 ? argv[1] : "";
  int status = 2;
  if (command == "tree" && argc <= 3) status = PrintTree(argc == 3 ? argv[2] : nullptr);
  else if (command == "children" && argc == 3) status = PrintChildren(ParseHandle(argv[2]));
  else if (command == "info" && argc == 3) status = PrintInfo(ParseHandle(argv[2]));
  else if (command == "foreground" && argc == 2) status = PrintInfo(GetForegroundWindow());
  else if (command == "find" && argc >= 3) status = Find(argc, argv);
  else if ((command == "send" || command == "post") && argc == 6) status = Message(command == "send", argv);
  else if (command == "texts" && argc == 3) status = Texts(argv[2]);
  else if (command == "press" && argc == 4) status = Press(argv[2], argv[3]);
  else if (command == "lock" && argc >= 4) status = Lock(argc, argv);
  else if (command == "flood" && argc == 5) status = Flood(argv);
  else if (command == "endsession" && argc == 3) status = EndSession(argv[2]);
  else if (command == "fillblock" && argc == 3) status = FillBlock(argv[2]);
  else if (command == "wait" && argc == 5) status = Wait(argv[2], argv[3], argv[4]);
  else if (command == "rows" && argc == 3) status = PrintRows(ParseHandle(argv[2]));
  else if (command == "process" && argc == 3) status = PrintProcess(ParseHandle(argv[2]));
  else if (command == "text" && argc == 3) status = PrintText(ParseHandle(argv[2]));
  else if (command == "tips" && argc == 2) status = PrintToolTips();
  else if (command == "prop" && argc == 4) status = PrintProperty(ParseHandle(argv[2]), argv[3]);
  else if (command == "companion" && argc == 2) status = Companion();
  else if (command == "mutex" && argc == 3) status = MutexExists(argv[2]);
  else if (command == "running" && argc == 3) status = CountRunning(argv[2]);
  else if (command == "hooks" && argc == 2) status = PrintHooks();
  else if (command == "tick" && argc == 2) status = std::printf("%lu\n", GetTickCount()) > 0 ? 0 : 1;
  else if (command == "cursor" && argc == 2) status = Cursor();
  else if (command == "link" && argc == 3) status = PrintLinkTarget(argv[2]);
  else if (command == "keyname" && argc >= 3) status = PrintKeyNames(argc - 2, argv + 2);
  else std::fprintf(stderr, "wintool: see the comment at the top of wintool.cpp for its use\n");
  std::fflush(stdout);
  return status;
}
