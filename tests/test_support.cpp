#include "tests/test_support.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace fs = std::filesystem;

namespace {

// Never destroyed: the exit handler below still needs it after static destructors have run.
fs::path& RunFolder() {
  static fs::path& folder = *new fs::path([] {
    std::error_code error;
    fs::path base = fs::temp_directory_path(error);
    if (error) base = fs::current_path();
    auto stamp = std::to_string(std::chrono::steady_clock::now().time_since_epoch().count());
    fs::path run = base / ("vakro-test-" + stamp);
    fs::create_directories(run);
    std::atexit([] {
      std::error_code ignored;
      fs::remove_all(RunFolder(), ignored);
    });
    return run;
  }());
  return folder;
}

}  // namespace

std::string ScratchFolder() {
  static std::atomic<int> counter{0};
  fs::path folder = RunFolder() / std::to_string(counter++);
  fs::create_directories(folder);
  std::string text = folder.string();
  text += static_cast<char>(fs::path::preferred_separator);
  return text;
}

std::string ReadBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream out;
  out << in.rdbuf();
  return out.str();
}

void WriteBytes(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}
