// The platform seam and the display names against what GetKeyNameTextA itself returns.
#include <windows.h>

#include <gtest/gtest.h>

#include "data/key_name_manager.h"
#include "data/platform.h"
#include "engine/key_display.h"

namespace {

std::string NameFromWindows(uint32_t flags) {
  char name[64] = {};
  int length = GetKeyNameTextA(static_cast<LONG>(flags), name, sizeof name);
  return length > 0 ? std::string(name, static_cast<size_t>(length)) : std::string();
}

TEST(KeyNameText, EveryScanCodeAsWindowsNamesIt) {
  TKeyNameManager aliases;
  int nameless = 0;
  for (uint32_t extended = 0; extended <= 1; ++extended) {
    for (uint32_t scan = 0; scan < 256; ++scan) {
      const uint32_t flags = (extended << 24) | (scan << 16);
      const std::string expected = NameFromWindows(flags);
      SCOPED_TRACE(KeyCodeFromFlags(flags) + " " + expected);
      EXPECT_EQ(platform::KeyNameText(flags), expected);
      const std::string code = KeyCodeFromFlags(flags);
      EXPECT_EQ(KeyDisplayName(flags, nullptr), expected.empty() ? code : expected);
      aliases.Add(code, "alias");
      EXPECT_EQ(KeyDisplayName(flags, &aliases), expected.empty() ? "alias" : expected);
      EXPECT_EQ(KeyDisplayNameOfCode(code, &aliases), expected.empty() ? "alias" : expected);
      aliases.Clear();
      if (expected.empty()) ++nameless;
    }
  }
  EXPECT_GT(nameless, 0);
  std::printf("scan code 0x7B: \"%s\"; %d of 512 codes have no name\n",
              NameFromWindows(0x7Bu << 16).c_str(), nameless);
}

}  // namespace
