#include "tools/tool_log.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <vector>

ToolLog::ToolLog(const std::string& path) {
  if (path.empty()) return;
  file_ = CreateFileA(path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS,
                      FILE_ATTRIBUTE_NORMAL, nullptr);
}

ToolLog::~ToolLog() {
  if (file_ != INVALID_HANDLE_VALUE) CloseHandle(file_);
}

void ToolLog::Line(const std::string& text) {
  if (file_ == INVALID_HANDLE_VALUE) return;
  char stamp[32];
  snprintf(stamp, sizeof stamp, "%lld ", static_cast<long long>(NowMicroseconds()));
  const std::string line = stamp + text + "\n";
  DWORD written = 0;
  WriteFile(file_, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
}

void ToolLog::Linef(const char* format, ...) {
  va_list args;
  va_start(args, format);
  va_list again;
  va_copy(again, args);
  const int length = vsnprintf(nullptr, 0, format, args);
  va_end(args);
  std::vector<char> text(length > 0 ? length + 1 : 1, '\0');
  vsnprintf(text.data(), text.size(), format, again);
  va_end(again);
  Line(text.data());
}

int64_t NowMicroseconds() {
  static const int64_t frequency = [] {
    LARGE_INTEGER f;
    QueryPerformanceFrequency(&f);
    return f.QuadPart;
  }();
  LARGE_INTEGER now;
  QueryPerformanceCounter(&now);
  return now.QuadPart / frequency * 1000000 + now.QuadPart % frequency * 1000000 / frequency;
}

std::string OptionValue(int argc, char** argv, const char* name, const std::string& fallback) {
  for (int i = 1; i + 1 < argc; ++i) {
    if (strcmp(argv[i], name) == 0) return argv[i + 1];
  }
  return fallback;
}

bool HasOption(int argc, char** argv, const char* name) {
  for (int i = 1; i < argc; ++i) {
    if (strcmp(argv[i], name) == 0) return true;
  }
  return false;
}
