// Answers of the platform that the tests compare vakro's files and texts with: the target of a
// shortcut, and the names the platform gives keys.
#include "tools/wintool.h"

#include <objidl.h>
#include <shlguid.h>
#include <shlobj.h>

#include <cstdio>
#include <cstdlib>

namespace {

// Owns the COM initialisation of the thread for the life of the object.
class ComScope {
 public:
  ComScope() { CoInitialize(nullptr); }
  ~ComScope() { CoUninitialize(); }
  ComScope(const ComScope&) = delete;
  ComScope& operator=(const ComScope&) = delete;
};

bool PathOfLink(IShellLinkA* shellLink, const char* link, char (&path)[MAX_PATH]) {
  IPersistFile* file = nullptr;
  if (FAILED(shellLink->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file)))) return false;
  wchar_t wide[MAX_PATH] = {};
  MultiByteToWideChar(CP_ACP, 0, link, -1, wide, MAX_PATH);
  const bool found = SUCCEEDED(file->Load(wide, STGM_READ)) &&
                     SUCCEEDED(shellLink->GetPath(path, MAX_PATH, nullptr, 0));
  file->Release();
  return found;
}

}  // namespace

int PrintLinkTarget(const char* link) {
  ComScope com;
  IShellLinkA* shellLink = nullptr;
  if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                              reinterpret_cast<void**>(&shellLink))))
    return 1;
  char path[MAX_PATH] = {};
  const bool found = PathOfLink(shellLink, link, path);
  shellLink->Release();
  if (!found) return 1;
  std::printf("%s\n", path);
  return 0;
}

// One line per keystroke flags value (hexadecimal): the flags as eight hex digits, a blank,
// and GetKeyNameTextA's name for them (empty when the platform has none).
int PrintKeyNames(int count, char** flags) {
  for (int i = 0; i < count; ++i) {
    const unsigned long value = std::strtoul(flags[i], nullptr, 16);
    char name[64] = {};
    GetKeyNameTextA(static_cast<LONG>(value), name, sizeof name);
    std::printf("%08lx %s\n", value, name);
  }
  return 0;
}
