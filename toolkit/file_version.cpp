#include "toolkit/file_version.h"

#include "toolkit/program_path.h"

#include <windows.h>

#include <cstdio>
#include <vector>

std::string WithoutLastVersionPart(const std::string& version) {
  size_t dot = version.rfind('.');
  return dot == std::string::npos ? version : version.substr(0, dot);
}

std::string GetFileVersion() {
  const std::string path = ProgramPath();
  DWORD ignored = 0;
  DWORD size = GetFileVersionInfoSizeA(path.c_str(), &ignored);
  if (size == 0) return {};
  std::vector<char> info(size + 1);
  if (!GetFileVersionInfoA(path.c_str(), 0, size, info.data())) return {};

  void* translation = nullptr;
  UINT length = 0;
  if (!VerQueryValueA(info.data(), "\\VarFileInfo\\Translation", &translation, &length) ||
      length < sizeof(DWORD))
    return {};
  DWORD pair = *static_cast<DWORD*>(translation);
  char block[64];
  std::snprintf(block, sizeof block, "\\StringFileInfo\\%04x%04x\\FileVersion",
                static_cast<unsigned>(LOWORD(pair)), static_cast<unsigned>(HIWORD(pair)));
  char* text = nullptr;
  if (!VerQueryValueA(info.data(), block, reinterpret_cast<void**>(&text), &length) || !text)
    return {};
  return WithoutLastVersionPart(std::string(text, strnlen(text, length)));
}
