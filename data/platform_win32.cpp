#include <windows.h>

#include <algorithm>

#include "data/platform.h"

namespace platform {

bool IsLeadByte(unsigned char byte) { return IsDBCSLeadByte(byte) != FALSE; }

void LowerAnsi(std::string& text) {
  if (!text.empty()) CharLowerBuffA(text.data(), static_cast<DWORD>(text.size()));
}

std::string KeyNameText(uint32_t keystrokeFlags) {
  char name[64] = {};
  int length = GetKeyNameTextA(static_cast<LONG>(keystrokeFlags), name, sizeof name);
  if (length <= 0) return {};
  return std::string(name, static_cast<size_t>(length) < sizeof name ? length : sizeof name - 1);
}

bool FileExists(const std::string& path) {
  DWORD attributes = GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool FolderExists(const std::string& path) {
  DWORD attributes = GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

namespace {

struct FileHandle {
  HANDLE handle;
  explicit FileHandle(HANDLE h) : handle(h) {}
  ~FileHandle() {
    if (handle != INVALID_HANDLE_VALUE) CloseHandle(handle);
  }
  FileHandle(const FileHandle&) = delete;
  FileHandle& operator=(const FileHandle&) = delete;
};

bool WriteAll(HANDLE file, const std::string& bytes) {
  size_t done = 0;
  while (done < bytes.size()) {
    DWORD chunk = static_cast<DWORD>(std::min<size_t>(bytes.size() - done, 1u << 20));
    DWORD written = 0;
    if (!WriteFile(file, bytes.data() + done, chunk, &written, nullptr) || written == 0)
      return false;
    done += written;
  }
  return true;
}

}  // namespace

bool ReadFileBytes(const std::string& path, std::string& bytes) {
  FileHandle file(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (file.handle == INVALID_HANDLE_VALUE) return false;
  LARGE_INTEGER size;
  if (!GetFileSizeEx(file.handle, &size) || size.QuadPart > 0x7FFFFFFF) return false;
  std::string content(static_cast<size_t>(size.QuadPart), '\0');
  size_t done = 0;
  while (done < content.size()) {
    DWORD got = 0;
    if (!ReadFile(file.handle, content.data() + done, static_cast<DWORD>(content.size() - done),
                  &got, nullptr))
      return false;
    if (got == 0) break;
    done += got;
  }
  content.resize(done);
  bytes.swap(content);
  return true;
}

std::string TemporaryNameFor(const std::string& path) { return path + ".new"; }

bool MoveReplacing(const std::string& from, const std::string& to) {
  return MoveFileExA(from.c_str(), to.c_str(),
                     MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != FALSE;
}

bool RemoveFile(const std::string& path) { return DeleteFileA(path.c_str()) != FALSE; }

bool CopyFileOver(const std::string& from, const std::string& to) {
  return CopyFileA(from.c_str(), to.c_str(), FALSE) != FALSE;
}

bool ReplaceFileBytes(const std::string& path, const std::string& bytes) {
  const std::string temporary = TemporaryNameFor(path);
  bool written;
  {
    FileHandle file(CreateFileA(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
    if (file.handle == INVALID_HANDLE_VALUE) return false;
    written = WriteAll(file.handle, bytes) && FlushFileBuffers(file.handle);
  }
  if (written && MoveReplacing(temporary, path)) return true;
  DeleteFileA(temporary.c_str());
  return false;
}

std::string ReadProfileString(const std::string& file, const char* section, const char* key,
                              const std::string& fallback) {
  char buffer[2048];
  DWORD length = GetPrivateProfileStringA(section, key, fallback.c_str(), buffer, sizeof buffer,
                                          file.c_str());
  return std::string(buffer, length);
}

bool WriteProfileString(const std::string& file, const char* section, const char* key,
                        const std::string& value) {
  return WritePrivateProfileStringA(section, key, value.c_str(), file.c_str()) != FALSE;
}

}  // namespace platform
