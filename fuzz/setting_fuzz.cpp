// Loading any bytes as "vakro.dat" (through a real file) never crashes; whatever was loaded
// saves and loads back with the same numbers and flags. The bytes are also fed to the integer
// parser, whose accepted values must print and parse back to themselves.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "data/setting.h"
#include "fuzz/fuzz_support.h"

namespace {

const size_t kLongestFile = 4096;

const std::string& FuzzFile() {
  static const std::string file = std::string(access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp") +
                                  "/vakro-setting-fuzz-" + std::to_string(getpid()) + ".dat";
  return file;
}

void WriteFile(const std::string& path, const uint8_t* data, size_t size) {
  FILE* out = std::fopen(path.c_str(), "wb");
  if (!out) std::abort();
  if (size && std::fwrite(data, 1, size, out) != size) std::abort();
  std::fclose(out);
}

bool SameNumbers(const TSetting& a, const TSetting& b) {
  return a.ShowKeyView == b.ShowKeyView && a.TextColor == b.TextColor &&
         a.ProgColor == b.ProgColor && a.BackColor == b.BackColor &&
         a.TextColor2 == b.TextColor2 && a.ProgColor2 == b.ProgColor2 &&
         a.BackColor2 == b.BackColor2 && a.FontSize == b.FontSize &&
         a.FontStyle == b.FontStyle && a.StartUp == b.StartUp && a.EdgeColor == b.EdgeColor &&
         a.KeyViewPos == b.KeyViewPos && a.HideCursor == b.HideCursor;
}

// The program list comes back whole unless a name ends in half a double-byte character.
bool SameExcluded(const TSetting& a, const TSetting& b) {
  for (const std::string& name : a.ExcludePrograms)
    if (EndsInLoneLeadByte(name)) return true;
  return a.ExcludePrograms == b.ExcludePrograms;
}

void CheckInteger(const uint8_t* data, size_t size) {
  int32_t value = 0;
  if (!ParseSettingInteger(std::string(reinterpret_cast<const char*>(data), size), value)) return;
  int32_t again = 0;
  if (!ParseSettingInteger(std::to_string(value), again) || again != value) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  CheckInteger(data, size);
  // Every key costs a read of the whole file; longer inputs only slow the search down.
  if (size > kLongestFile) return 0;
  WriteFile(FuzzFile(), data, size);
  TSetting loaded;
  loaded.LoadFromFile(FuzzFile());
  if (!loaded.SaveToFile(FuzzFile())) std::abort();
  TSetting again;
  if (!again.LoadFromFile(FuzzFile()) || !SameNumbers(loaded, again) || !SameExcluded(loaded, again))
    std::abort();
  std::remove(FuzzFile().c_str());
  return 0;
}
