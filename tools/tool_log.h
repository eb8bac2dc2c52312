// A line log for the test programs: every line starts with a QueryPerformanceCounter time in
// microseconds and reaches the file at once, so a test can read it while the program runs.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

class ToolLog {
 public:
  explicit ToolLog(const std::string& path);
  ~ToolLog();
  ToolLog(const ToolLog&) = delete;
  ToolLog& operator=(const ToolLog&) = delete;

  // Writes "<microseconds> <text>\n".
  void Line(const std::string& text);
  void Linef(const char* format, ...) __attribute__((format(printf, 2, 3)));

 private:
  HANDLE file_ = INVALID_HANDLE_VALUE;
};

int64_t NowMicroseconds();

// The value of "--name value" on a command line split by CommandLineToArgv rules, or fallback.
std::string OptionValue(int argc, char** argv, const char* name, const std::string& fallback = "");
bool HasOption(int argc, char** argv, const char* name);
