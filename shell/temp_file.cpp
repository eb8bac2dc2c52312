#include "shell/temp_file.h"

#include <windows.h>

#include "data/platform.h"

// GetTempFileNameA reserves a unique "<prefix>XXXX.tmp"; the text goes to the same name with
// ".txt", which the user's editor opens, and the reservation is removed afterwards. A ".txt"
// of that name already there is another file's: it is left alone.
std::string WriteNewTempTextFile(const std::string& prefix, const std::string& bytes) {
  char folder[MAX_PATH + 1] = {};
  const DWORD length = GetTempPathA(sizeof folder, folder);
  if (length == 0 || length >= sizeof folder) return {};
  char reserved[MAX_PATH] = {};
  if (GetTempFileNameA(folder, prefix.c_str(), 0, reserved) == 0) return {};
  std::string path = reserved;
  path.replace(path.size() - 4, 4, ".txt");
  const bool written = !platform::FileExists(path) && platform::ReplaceFileBytes(path, bytes);
  platform::RemoveFile(reserved);
  return written ? path : std::string();
}
