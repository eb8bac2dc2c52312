#include "ui/companion_launch.h"

#include <cstdio>
#include <string>

#include "hooklib/companion_block.h"
#include "hooklib/nodralib.h"
#include "hooklib/shared_block.h"
#include "toolkit/handles.h"
#include "toolkit/program_path.h"

namespace {

bool RunsUnderWow64() {
  BOOL wow64 = FALSE;
  return IsWow64Process(GetCurrentProcess(), &wow64) && wow64;
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
  if (!RunsUnderWow64()) return false;
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

// The companion answers for the windows of 64-bit programs (it asks their processes); for the
// others the hook library inside the program answers the request itself.
void PostFinderRequest(HWND target) {
  PostMessageA(target, WM_FIND_REQUEST, 0, 0);
  const THandle mapping(OpenFileMappingA(FILE_MAP_READ, FALSE, kCompanionBlockName));
  if (!mapping) return;
  const TMappedView view(MapViewOfFile(mapping.Get(), FILE_MAP_READ, 0, 0, sizeof(CompanionBlock)));
  if (const auto* block = static_cast<const CompanionBlock*>(view.Get()); block && block->companionWindow)
    PostMessageA(HandleFromField<HWND>(block->companionWindow), WM_FIND_REQUEST,
                 reinterpret_cast<WPARAM>(target), 0);
}
