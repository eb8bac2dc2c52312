#include "ui/companion_launch.h"

#include <cstdio>
#include <string>

#include "toolkit/handles.h"
#include "toolkit/program_path.h"

namespace {

bool RunsUnderWow64() {
  BOOL wow64 = FALSE;
  return IsWow64Process(GetCurrentProcess(), &wow64) && wow64;
}

// Wine ends a hook chain at a hook whose library cannot be loaded into the process (one of the
// other bitness) instead of skipping it, so there the companion's hooks, installed last, would
// hide the keys of every 32-bit program from vakro's own hooks.
bool HookChainsSkipOtherBitness() {
  const HMODULE ntdll = GetModuleHandleA("ntdll.dll");
  return !ntdll || !GetProcAddress(ntdll, "wine_get_version");
}

std::string CompanionPath() {
  const std::string folder = ProgramFolder();
  return folder.empty() ? std::string() : folder + kCompanionProgram;
}

// The companion inherits a handle of this process that it can only wait on.
bool InheritableSelf(THandle& self) {
  return DuplicateHandle(GetCurrentProcess(), GetCurrentProcess(), GetCurrentProcess(), self.Out(), SYNCHRONIZE,
                         TRUE, 0);
}

}  // namespace

bool StartHookCompanion(HWND engineWindow) {
  if (!RunsUnderWow64() || !HookChainsSkipOtherBitness()) return false;
  const std::string program = CompanionPath();
  if (program.empty() || GetFileAttributesA(program.c_str()) == INVALID_FILE_ATTRIBUTES) return false;
  return StartHookCompanionProgram(program.c_str(), engineWindow);
}

bool StartHookCompanionProgram(const char* program, HWND engineWindow) {
  THandle self;
  if (!InheritableSelf(self)) return false;
  char arguments[64];
  snprintf(arguments, sizeof arguments, " %lx %lx", static_cast<unsigned long>(reinterpret_cast<UINT_PTR>(self.Get())),
           static_cast<unsigned long>(reinterpret_cast<UINT_PTR>(engineWindow)));
  std::string commandLine = std::string("\"") + program + "\"" + arguments;
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION started = {};
  if (!CreateProcessA(program, commandLine.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup,
                      &started))
    return false;
  const THandle thread(started.hThread), process(started.hProcess);
  return true;
}
