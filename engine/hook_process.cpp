#include "engine/hook_process.h"

#include <cstdio>
#include <string>

#include "hooklib/companion_block.h"
#include "hooklib/nodralib.h"
#include "hooklib/shared_block.h"
#include "toolkit/program_path.h"

namespace {

constexpr char kWow64HookProgram[] = "x64\\vakrohook64.exe";
constexpr const char* kHookProgram = sizeof(void*) == 8 ? "vakrohook64.exe" : "vakrohook.exe";

bool RunsUnderWow64() {
  BOOL wow64 = FALSE;
  return IsWow64Process(GetCurrentProcess(), &wow64) && wow64;
}

bool FileExists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

// The 64-bit hook process where this is a 32-bit program on 64-bit Windows and it lies beside,
// else the one of this program's bitness.
std::string HookProgram(bool& serves64BitWindows) {
  const std::string folder = ProgramFolder();
  serves64BitWindows = false;
  if (folder.empty()) return {};
  if (RunsUnderWow64() && FileExists(folder + kWow64HookProgram)) {
    serves64BitWindows = true;
    return folder + kWow64HookProgram;
  }
  return FileExists(folder + kHookProgram) ? folder + kHookProgram : std::string();
}

// The hook process inherits a handle of this process that it can only wait on.
bool InheritableSelf(THandle& self) {
  return DuplicateHandle(GetCurrentProcess(), GetCurrentProcess(), GetCurrentProcess(), self.Out(), SYNCHRONIZE,
                         TRUE, 0);
}

struct TEndedNotice {
  HWND window;
  UINT message;
};

void CALLBACK OnProcessEnded(PVOID context, BOOLEAN) {
  const auto* notice = static_cast<const TEndedNotice*>(context);
  PostMessageA(notice->window, notice->message, 0, 0);
}

}  // namespace

THookProcess::~THookProcess() { Forget(); }

bool THookProcess::Start(HWND engineWindow, UINT endedMessage) {
  Forget();
  bool serves64BitWindows = false;
  const std::string program = HookProgram(serves64BitWindows);
  if (program.empty() || !StartHookProcessProgram(program.c_str(), engineWindow, serves64BitWindows, process_))
    return false;
  static TEndedNotice notice;  // one hook process per program: outlives every wait
  notice = {engineWindow, endedMessage};
  if (!RegisterWaitForSingleObject(&wait_, process_.Get(), OnProcessEnded, &notice, INFINITE,
                                   WT_EXECUTEONLYONCE))
    wait_ = nullptr;
  return true;
}

void THookProcess::Forget() {
  if (wait_) UnregisterWaitEx(wait_, INVALID_HANDLE_VALUE);
  wait_ = nullptr;
  process_.Reset();
}

bool StartHookProcessProgram(const char* program, HWND engineWindow, bool serves64BitWindows, THandle& process) {
  THandle self;
  if (!InheritableSelf(self)) return false;
  char arguments[64];
  snprintf(arguments, sizeof arguments, " %lx %lx %d", static_cast<unsigned long>(reinterpret_cast<UINT_PTR>(self.Get())),
           static_cast<unsigned long>(reinterpret_cast<UINT_PTR>(engineWindow)), serves64BitWindows ? 1 : 0);
  std::string commandLine = std::string("\"") + program + "\"" + arguments;
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION started = {};
  if (!CreateProcessA(program, commandLine.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup,
                      &started))
    return false;
  const THandle thread(started.hThread);
  process.Reset(started.hProcess);
  return true;
}

void PostFinderRequest(HWND target) {
  PostMessageA(target, WM_FIND_REQUEST, 0, 0);
  const THandle mapping(OpenFileMappingA(FILE_MAP_READ, FALSE, kCompanionBlockName));
  if (!mapping) return;
  const TMappedView view(MapViewOfFile(mapping.Get(), FILE_MAP_READ, 0, 0, sizeof(CompanionBlock)));
  if (const auto* block = static_cast<const CompanionBlock*>(view.Get()); block && block->companionWindow)
    PostMessageA(HandleFromField<HWND>(block->companionWindow), WM_FIND_REQUEST,
                 reinterpret_cast<WPARAM>(target), 0);
}
