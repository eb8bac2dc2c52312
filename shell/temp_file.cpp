#include "shell/temp_file.h"

#include <windows.h>

namespace {

bool WriteWhole(const std::string& path, const std::string& bytes) {
  HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  DWORD written = 0;
  const bool wrote = WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written,
                               nullptr) && written == bytes.size();
  const bool closed = CloseHandle(file) != FALSE;
  if (wrote && closed) return true;
  DeleteFileA(path.c_str());
  return false;
}

}  // namespace

// GetTempFileNameA reserves a unique "<prefix>XXXX.tmp"; the text goes to the same name with
// ".txt", which the user's editor opens, and the reservation is removed afterwards.
std::string WriteNewTempTextFile(const std::string& prefix, const std::string& bytes) {
  char folder[MAX_PATH + 1] = {};
  const DWORD length = GetTempPathA(sizeof folder, folder);
  if (length == 0 || length >= sizeof folder) return {};
  char reserved[MAX_PATH] = {};
  if (GetTempFileNameA(folder, prefix.c_str(), 0, reserved) == 0) return {};
  std::string path = reserved;
  path.replace(path.size() - 4, 4, ".txt");
  const bool written = WriteWhole(path, bytes);
  DeleteFileA(reserved);
  return written ? path : std::string();
}
