// The few platform services the data and engine code needs, behind one seam: a Win32
// implementation (platform_win32.cpp) and a host one (platform_host.cpp) that follows the
// Shift-JIS rules, so this code also builds and is tested without <windows.h>.
#pragma once

#include <cstdint>
#include <string>

// <windows.h> maps this name to WriteProfileStringA, which would rename the function below.
#ifdef WriteProfileString
#undef WriteProfileString
#endif

namespace platform {

// True when the byte starts a double-byte character of the ANSI code page (Shift-JIS here).
bool IsLeadByte(unsigned char byte);

// The locale's lower-casing of ANSI text (CharLowerBuffA): A-Z become a-z, and each double-byte
// character is treated as one whole character, never changing a trail byte on its own.
void LowerAnsi(std::string& text);

// The platform's name of a key, GetKeyNameTextA with a 64-byte buffer; empty when it has none.
std::string KeyNameText(uint32_t keystrokeFlags);

bool FileExists(const std::string& path);
bool FolderExists(const std::string& path);

// Reads a whole file as bytes. False when it cannot be opened or read (missing included).
bool ReadFileBytes(const std::string& path, std::string& bytes);

// Writes bytes to a temporary file beside `path`, then puts it in place of `path` in one step.
// The previous file stays whole when anything fails.
bool ReplaceFileBytes(const std::string& path, const std::string& bytes);

// Moves `from` over `to`, replacing it, written through to disk.
bool MoveReplacing(const std::string& from, const std::string& to);
bool RemoveFile(const std::string& path);
// Copies `from` to `to`, replacing a file there.
bool CopyFileOver(const std::string& from, const std::string& to);

// The temporary name used beside `path` while a new version of it is written.
std::string TemporaryNameFor(const std::string& path);

// Profile (INI) functions: GetPrivateProfileStringA with a 2048-byte buffer and
// WritePrivateProfileStringA.
std::string ReadProfileString(const std::string& file, const char* section, const char* key,
                              const std::string& fallback);
bool WriteProfileString(const std::string& file, const char* section, const char* key,
                        const std::string& value);

}  // namespace platform
