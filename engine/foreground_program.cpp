#include "engine/foreground_program.h"

#include "data/program_scope.h"
#include "engine/program_match.h"
#include "toolkit/handles.h"

namespace {

#ifndef PROCESS_QUERY_LIMITED_INFORMATION
#define PROCESS_QUERY_LIMITED_INFORMATION 0x1000
#endif

using TQueryImageName = BOOL(WINAPI*)(HANDLE, DWORD, LPSTR, PDWORD);
using TGetImageFileName = DWORD(WINAPI*)(HANDLE, LPSTR, DWORD);

}  // namespace

// The image path of a process. The limited right is granted for processes of other users,
// elevated ones and those of the other bitness; systems before it get the device path through
// psapi, whose file name part is the same.
std::string ProcessImagePath(DWORD processId) {
  static const auto queryImageName = reinterpret_cast<TQueryImageName>(reinterpret_cast<void*>(
      GetProcAddress(GetModuleHandleA("kernel32.dll"), "QueryFullProcessImageNameA")));
  char path[MAX_PATH * 2] = {};
  if (queryImageName) {
    THandle process(OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, processId));
    DWORD size = sizeof path;
    if (process && queryImageName(process.Get(), 0, path, &size)) return std::string(path, size);
    return {};
  }
  static TLibrary psapi(LoadLibraryA("psapi.dll"));
  const auto getImageFileName = reinterpret_cast<TGetImageFileName>(reinterpret_cast<void*>(
      psapi ? GetProcAddress(psapi.Get(), "GetProcessImageFileNameA") : nullptr));
  THandle process(OpenProcess(PROCESS_QUERY_INFORMATION, FALSE, processId));
  if (!getImageFileName || !process) return {};
  const DWORD length = getImageFileName(process.Get(), path, sizeof path);
  return std::string(path, length);
}

namespace {

DWORD WindowProcess(HWND window) {
  DWORD processId = 0;
  GetWindowThreadProcessId(window, &processId);
  return processId;
}

// The app frame host draws the frame of platform apps; the app's own window is a child of
// another process.
struct THostedSearch {
  DWORD frameProcess;
  DWORD hostedProcess;
};

BOOL CALLBACK FindHostedChild(HWND child, LPARAM data) {
  auto& search = *reinterpret_cast<THostedSearch*>(data);
  const DWORD process = WindowProcess(child);
  if (process == search.frameProcess) return TRUE;
  search.hostedProcess = process;
  return FALSE;
}

}  // namespace

std::string WindowProgramName(HWND window) {
  const DWORD processId = WindowProcess(window);
  if (!processId) return {};
  std::string name = ProgramFileNameOf(ProcessImagePath(processId));
  if (!SameProgram(name, "ApplicationFrameHost.exe")) return name;
  THostedSearch search = {processId, 0};
  EnumChildWindows(window, FindHostedChild, reinterpret_cast<LPARAM>(&search));
  return search.hostedProcess ? ProgramFileNameOf(ProcessImagePath(search.hostedProcess)) : name;
}

std::string ForegroundProgramName() {
  HWND window = GetForegroundWindow();
  return window ? WindowProgramName(window) : std::string();
}
