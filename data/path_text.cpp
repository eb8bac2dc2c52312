#include "data/path_text.h"

#include "data/platform.h"

namespace {

// Where the folder part of a path ends: just past its last backslash or colon (0 when none),
// and whether the character before that separator is itself one. Trail bytes of double-byte
// characters are skipped, so a 0x5C trail byte is never taken for a backslash.
struct FolderEnd {
  size_t end = 0;
  bool afterSeparator = false;
};

FolderEnd FindFolderEnd(const std::string& path) {
  FolderEnd found;
  bool previousIsSeparator = false;
  for (size_t i = 0; i < path.size(); ++i) {
    unsigned char byte = static_cast<unsigned char>(path[i]);
    if (platform::IsLeadByte(byte)) {
      ++i;
      previousIsSeparator = false;
      continue;
    }
    const bool separator = byte == '\\' || byte == ':';
    if (separator) found = {i + 1, previousIsSeparator};
    previousIsSeparator = separator;
  }
  return found;
}

}  // namespace

std::string FolderPartOf(const std::string& path) {
  return path.substr(0, FindFolderEnd(path).end);
}

std::string FolderOf(const std::string& path) {
  FolderEnd found = FindFolderEnd(path);
  if (found.end > 1 && path[found.end - 1] == '\\' && !found.afterSeparator) --found.end;
  return path.substr(0, found.end);
}
