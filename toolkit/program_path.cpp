#include "toolkit/program_path.h"

#include <windows.h>

#include "data/path_text.h"

std::string ProgramPath() {
  std::string path(MAX_PATH, '\0');
  for (;;) {
    DWORD length = GetModuleFileNameA(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (length == 0) return {};
    if (length < path.size()) {
      path.resize(length);
      return path;
    }
    path.resize(path.size() * 2);
  }
}

std::string ProgramFolder() { return FolderPartOf(ProgramPath()); }
