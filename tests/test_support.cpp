#include "tests/test_support.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>

#ifdef _WIN32
#include <windows.h>
#else
#include <sys/mount.h>
#endif

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

std::string SeededBytes(uint32_t seed, size_t size) {
  // xorshift32: small, and the same sequence everywhere.
  uint32_t state = seed ? seed : 1;
  std::string bytes(size, '\0');
  for (char& byte : bytes) {
    state ^= state << 13;
    state ^= state >> 17;
    state ^= state << 5;
    byte = static_cast<char>(state >> 24);
  }
  return bytes;
}

#ifdef _WIN32

ExclusiveOpen::ExclusiveOpen(const std::string& path)
    : handle_(CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                          FILE_ATTRIBUTE_NORMAL, nullptr)) {}

ExclusiveOpen::~ExclusiveOpen() {
  if (IsOpen()) CloseHandle(handle_);
}

bool ExclusiveOpen::IsOpen() const { return handle_ != INVALID_HANDLE_VALUE; }

#else

TmpfsFolder::TmpfsFolder() : path_(ScratchFolder()) {
  mounted_ = mount("tmpfs", path_.c_str(), "tmpfs", 0, "size=64k") == 0;
}

TmpfsFolder::~TmpfsFolder() {
  if (mounted_) umount2(path_.c_str(), MNT_DETACH);
}

bool TmpfsFolder::MakeReadOnly() {
  return mounted_ &&
         mount(nullptr, path_.c_str(), nullptr, MS_REMOUNT | MS_RDONLY, nullptr) == 0;
}

void TmpfsFolder::Fill() {
  FILE* filler = std::fopen((path_ + "filler").c_str(), "wb");
  if (!filler) return;
  const std::string chunk(4096, 'f');
  while (std::fwrite(chunk.data(), 1, chunk.size(), filler) == chunk.size() &&
         std::fflush(filler) == 0) {
  }
  std::fclose(filler);
}

#endif
