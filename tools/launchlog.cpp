// launchlog.exe: the cheapest program an assignment can start. Appends one line to a shared
// file and ends, without a window:
//   launchlog.exe FILE WORD     appends "<creation time> WORD"
// The creation time (100 ns units) is taken when the starting program created the process, so
// sorting the lines by it gives the order of the starts even when the processes finish out of
// order. The file is opened without sharing, so concurrent starts take turns.
#include <windows.h>

#include <cstdio>
#include <string>

namespace {

unsigned long long CreationTime() {
  FILETIME created, exited, kernel, user;
  if (!GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user)) return 0;
  return static_cast<unsigned long long>(created.dwHighDateTime) << 32 | created.dwLowDateTime;
}

HANDLE OpenAlone(const char* path) {
  for (int attempt = 0; attempt < 2000; ++attempt) {
    HANDLE file = CreateFileA(path, FILE_APPEND_DATA, 0, nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                              nullptr);
    if (file != INVALID_HANDLE_VALUE || GetLastError() != ERROR_SHARING_VIOLATION) return file;
    Sleep(5);
  }
  return INVALID_HANDLE_VALUE;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) return 2;
  char line[64];
  snprintf(line, sizeof line, "%llu ", CreationTime());
  const std::string text = line + std::string(argv[2]) + "\n";
  HANDLE file = OpenAlone(argv[1]);
  if (file == INVALID_HANDLE_VALUE) return 1;
  DWORD written = 0;
  const BOOL ok = WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
  CloseHandle(file);
  return ok && written == text.size() ? 0 : 1;
}
