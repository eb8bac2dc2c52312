#include "toolkit/current_folder.h"

#include <windows.h>

#include "toolkit/program_path.h"

namespace {

std::string CurrentFolder() {
  std::string folder(MAX_PATH, '\0');
  DWORD length = GetCurrentDirectoryA(static_cast<DWORD>(folder.size()), folder.data());
  if (length >= folder.size()) {
    folder.resize(length);
    length = GetCurrentDirectoryA(static_cast<DWORD>(folder.size()), folder.data());
  }
  folder.resize(length < folder.size() ? length : 0);
  return folder;
}

// Looked up: the oldest systems the program runs on lack it (and search the current folder
// after the system folders there).
void RemoveCurrentFolderFromLibrarySearch() {
  using SetDllDirectoryProc = BOOL(WINAPI*)(LPCSTR);
  HMODULE kernel = GetModuleHandleA("kernel32.dll");
  auto setDllDirectory = reinterpret_cast<SetDllDirectoryProc>(
      reinterpret_cast<void*>(GetProcAddress(kernel, "SetDllDirectoryA")));
  if (setDllDirectory) setDllDirectory("");
}

}  // namespace

void SecureSearchPaths() {
  RemoveCurrentFolderFromLibrarySearch();
  const std::string folder = ProgramFolder();
  if (!folder.empty()) SetCurrentDirectoryA(folder.c_str());
}

TCurrentFolderKeeper::TCurrentFolderKeeper() : folder_(CurrentFolder()) {}

TCurrentFolderKeeper::~TCurrentFolderKeeper() {
  if (!folder_.empty()) SetCurrentDirectoryA(folder_.c_str());
}
