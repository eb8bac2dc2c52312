// What wintool reads out of another process: the rows of its report list and the texts of its
// tool tips, through memory of that process, and the handles and memory it holds, as a leak
// would show from outside.
#include "tools/wintool.h"

#include <commctrl.h>
#include <psapi.h>

#include <algorithm>
#include <cstddef>
#include <cstdio>
#include <cstring>

namespace {

// The list belongs to another process: its answers are written into memory of that process,
// which this tool reads back.
class RemoteBlock {
 public:
  RemoteBlock(HWND window, size_t size) : size_(size) {
    DWORD id = 0;
    GetWindowThreadProcessId(window, &id);
    process_ = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, id);
    if (process_) address_ = VirtualAllocEx(process_, nullptr, size, MEM_COMMIT, PAGE_READWRITE);
  }
  ~RemoteBlock() {
    if (address_) VirtualFreeEx(process_, address_, 0, MEM_RELEASE);
    if (process_) CloseHandle(process_);
  }
  RemoteBlock(const RemoteBlock&) = delete;
  RemoteBlock& operator=(const RemoteBlock&) = delete;

  bool Ok() const { return address_ != nullptr; }
  char* At(size_t offset) const { return static_cast<char*>(address_) + offset; }
  bool Write(size_t offset, const void* data, size_t size) const {
    return offset + size <= size_ && WriteProcessMemory(process_, At(offset), data, size, nullptr);
  }
  bool Read(size_t offset, void* data, size_t size) const {
    return offset + size <= size_ && ReadProcessMemory(process_, At(offset), data, size, nullptr);
  }

 private:
  HANDLE process_ = nullptr;
  void* address_ = nullptr;
  size_t size_;
};

std::string CellText(HWND list, const RemoteBlock& block, int row, int column) {
  const size_t textSize = 1024;
  LVITEMA item = {};
  item.iSubItem = column;
  item.pszText = block.At(sizeof item);
  item.cchTextMax = textSize;
  if (!block.Write(0, &item, sizeof item)) return {};
  SendMessageA(list, LVM_GETITEMTEXTA, row, reinterpret_cast<LPARAM>(block.At(0)));
  std::vector<char> text(textSize + 1, '\0');
  block.Read(sizeof item, text.data(), textSize);
  return text.data();
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

}  // namespace

int PrintRows(HWND list) {
  RemoteBlock block(list, sizeof(LVITEMA) + 1024);
  if (!block.Ok()) return 1;
  HWND header = reinterpret_cast<HWND>(SendMessageA(list, LVM_GETHEADER, 0, 0));
  const int columns = static_cast<int>(SendMessageA(header, HDM_GETITEMCOUNT, 0, 0));
  const int rows = static_cast<int>(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0));
  for (int row = 0; row < rows; ++row) {
    const bool selected = SendMessageA(list, LVM_GETITEMSTATE, row, LVIS_SELECTED) & LVIS_SELECTED;
    std::printf("%s", selected ? "*" : "-");
    for (int column = 0; column < columns; ++column)
      std::printf("\t%s", CellText(list, block, row, column).c_str());
    std::printf("\n");
  }
  return 0;
}

namespace {

std::string ToolTipText(HWND tips, const RemoteBlock& block, int index) {
  const size_t textChars = 256;
  TTTOOLINFOW tool = {};
  tool.cbSize = sizeof tool;
  tool.lpszText = reinterpret_cast<LPWSTR>(block.At(sizeof tool));
  std::vector<wchar_t> text(textChars + 1, L'\0');
  if (!block.Write(0, &tool, sizeof tool) || !block.Write(sizeof tool, text.data(), textChars * sizeof(wchar_t)))
    return {};
  if (!SendMessageW(tips, TTM_ENUMTOOLSW, index, reinterpret_cast<LPARAM>(block.At(0)))) return {};
  block.Read(sizeof tool, text.data(), textChars * sizeof(wchar_t));
  char ansi[4 * textChars] = {};
  WideCharToMultiByte(CP_ACP, 0, text.data(), -1, ansi, sizeof ansi - 1, nullptr, nullptr);
  return ansi;
}

}  // namespace

// The shell shows the tip of each notification-area icon through a tool tip window of its own.
int PrintToolTips() {
  for (HWND window : TopLevelWindows()) {
    if (ClassOf(window) != "tooltips_class32") continue;
    RemoteBlock block(window, sizeof(TTTOOLINFOW) + 256 * sizeof(wchar_t));
    if (!block.Ok()) continue;
    const int count = static_cast<int>(SendMessageW(window, TTM_GETTOOLCOUNT, 0, 0));
    for (int index = 0; index < count; ++index)
      std::printf("%s\n", ToolTipText(window, block, index).c_str());
  }
  return 0;
}

// Looked at from outside, as a leak would show: the handles the process holds and the memory
// it alone uses (Wine gives no private bytes for another process; its commit charge and working
// set are printed beside).
int PrintProcess(HWND window) {
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

// The window's text as its program answers WM_GETTEXT (an edit control's whole contents), written
// out byte for byte; exit 1 when the window does not answer.
int PrintText(HWND window) {
  DWORD_PTR length = 0;
  if (!SendMessageTimeoutA(window, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, 5000, &length)) return 1;
  std::string text(length + 1, '\0');
  DWORD_PTR copied = 0;
  if (!SendMessageTimeoutA(window, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()), SMTO_ABORTIFHUNG,
                           5000, &copied))
    return 1;
  std::fwrite(text.data(), 1, std::min<size_t>(copied, length), stdout);
  return 0;
}
