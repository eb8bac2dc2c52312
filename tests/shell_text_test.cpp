#include <gtest/gtest.h>

#include <map>
#include <string>

#include "data/path_text.h"
#include "shell/shell_text.h"

namespace {

// A registry of unnamed values by key name; keys absent from the map cannot be opened.
struct FakeRegistry {
  std::map<std::string, std::string> keys;
  std::vector<std::string> opened;

  TRegistryDefaultReader Reader() {
    return [this](const std::string& name, std::string& value) {
      opened.push_back(name);
      auto found = keys.find(name);
      if (found == keys.end()) return false;
      value = found->second;
      return true;
    };
  }
};

TEnvironmentLookup Variables(std::map<std::string, std::string> known) {
  return [known](const std::string& name, std::string& value) {
    auto found = known.find(name);
    if (found == known.end()) return false;
    value = found->second;
    return true;
  };
}

const TEnvironmentLookup kNoVariables = Variables({});

TEST(FileType, SameResultWithAndWithoutLeadingDot) {
  FakeRegistry registry;
  registry.keys = {{".vkt", "vkt_file"},
                   {"vkt_file", "Vakro text"},
                   {"vkt_file\\DefaultIcon", "\"%ProgramFiles%\\v\\text.dll\",-3"}};
  const TEnvironmentLookup variables = Variables({{"ProgramFiles", "C:\\Program Files"}});
  for (const char* extension : {"vkt", ".vkt"}) {
    TFileTypeInfo info = LookUpFileType(extension, registry.Reader(), variables);
    EXPECT_EQ(info.typeName, "Vakro text") << extension;
    EXPECT_EQ(info.iconFile, "C:\\Program Files\\v\\text.dll") << extension;
    EXPECT_EQ(info.iconIndex, -3) << extension;
    EXPECT_FALSE(info.genericIcon) << extension;
  }
}

TEST(FileType, DirectoryNeedsNoExtensionKey) {
  FakeRegistry registry;
  registry.keys = {{"Directory", "File folder"},
                   {"Directory\\DefaultIcon", "%SystemRoot%\\shell32.dll,3"}};
  TFileTypeInfo info =
      LookUpFileType("<dir>", registry.Reader(), Variables({{"SystemRoot", "C:\\windows"}}));
  EXPECT_EQ(info.typeName, "File folder");
  EXPECT_EQ(info.iconFile, "C:\\windows\\shell32.dll");
  EXPECT_EQ(info.iconIndex, 3);
  EXPECT_EQ(registry.opened.front(), "Directory");
}

TEST(FileType, IconWithoutCommaAsksForGenericProgramIcon) {
  FakeRegistry registry;
  registry.keys = {{".vkp", "vkp_file"},
                   {"vkp_file", ""},
                   {"vkp_file\\DefaultIcon", "C:\\tools\\viewer.exe"},
                   {"comfile\\DefaultIcon", "\"C:\\windows\\shell32.dll\",2"}};
  TFileTypeInfo info = LookUpFileType("vkp", registry.Reader(), kNoVariables);
  EXPECT_TRUE(info.genericIcon);
  EXPECT_EQ(info.iconFile, "C:\\windows\\shell32.dll");
  EXPECT_EQ(info.iconIndex, 2);

  // Without a generic icon registered, the file stays empty and the index unset.
  registry.keys.erase("comfile\\DefaultIcon");
  info = LookUpFileType("vkp", registry.Reader(), kNoVariables);
  EXPECT_TRUE(info.genericIcon);
  EXPECT_EQ(info.iconFile, "");
  EXPECT_EQ(info.iconIndex, -1);
}

TEST(FileType, PerFileIconKeepsItsFileWhenGenericHasNoComma) {
  FakeRegistry registry;
  registry.keys = {{".vkq", "vkq_file"},
                   {"vkq_file", "Program"},
                   {"vkq_file\\DefaultIcon", "%1,%2"},
                   {"comfile\\DefaultIcon", "bad"}};
  TFileTypeInfo info = LookUpFileType(".vkq", registry.Reader(), kNoVariables);
  EXPECT_TRUE(info.genericIcon);
  // The generic value has no comma, so the file of the first value stays; its lone "%" is
  // dropped. Neither index can be read, so the index keeps its initial value.
  EXPECT_EQ(info.iconFile, "1");
  EXPECT_EQ(info.iconIndex, -1);
}

TEST(FileType, MissingKeysEndTheLookupWithWhatWasFound) {
  FakeRegistry registry;
  EXPECT_EQ(LookUpFileType("none", registry.Reader(), kNoVariables).iconIndex, -1);
  registry.keys = {{".vke", ""}};
  EXPECT_EQ(registry.opened.size(), 1u);
  TFileTypeInfo info = LookUpFileType("vke", registry.Reader(), kNoVariables);
  EXPECT_EQ(info.typeName, "");
  registry.keys = {{".vke", "vke_file"}, {"vke_file", "Named only"}};
  info = LookUpFileType("vke", registry.Reader(), kNoVariables);
  EXPECT_EQ(info.typeName, "Named only");
  EXPECT_EQ(info.iconFile, "");
  EXPECT_EQ(info.iconIndex, -1);
  EXPECT_FALSE(info.genericIcon);
}

TEST(EnvironmentReferences, ExpandLeftToRight) {
  const TEnvironmentLookup variables = Variables({{"A", "alpha"}, {"B", "%A%"}});
  EXPECT_EQ(ExpandEnvironmentReferences("x%A%y%A%z", variables), "xalphayalphaz");
  // Values are not expanded again.
  EXPECT_EQ(ExpandEnvironmentReferences("%B%", variables), "%A%");
  // An unknown reference is dropped with both its marks; the text around it stays.
  EXPECT_EQ(ExpandEnvironmentReferences("left%NOPE%right", variables), "leftright");
  EXPECT_EQ(ExpandEnvironmentReferences("a%%b", variables), "ab");
  // A mark without a partner is dropped; the text after it stays.
  EXPECT_EQ(ExpandEnvironmentReferences("%A%\\x%y", variables), "alpha\\xy");
  EXPECT_EQ(ExpandEnvironmentReferences("plain", variables), "plain");
  EXPECT_EQ(ExpandEnvironmentReferences("", variables), "");
}

TEST(IconValue, IndexIsOneWholeInteger) {
  int index = 7;
  EXPECT_TRUE(ParseIconIndex("  -12", index));
  EXPECT_EQ(index, -12);
  EXPECT_TRUE(ParseIconIndex("$10", index));
  EXPECT_EQ(index, 16);
  EXPECT_TRUE(ParseIconIndex("0xFFFFFFFF", index));
  EXPECT_EQ(index, -1);
  EXPECT_TRUE(ParseIconIndex("-2147483648", index));
  EXPECT_EQ(index, INT32_MIN);
  index = 7;
  for (const char* bad : {"", " ", "-", "1 ", "1,2", "%1", "2147483648", "0x", "$1FFFFFFFF"}) {
    EXPECT_FALSE(ParseIconIndex(bad, index)) << bad;
  }
  EXPECT_EQ(index, 7);
}

TEST(Folders, PartUpToLastBackslashOrColon) {
  EXPECT_EQ(FolderPartOf("C:\\tools\\run.exe"), "C:\\tools\\");
  EXPECT_EQ(FolderPartOf("C:run.exe"), "C:");
  EXPECT_EQ(FolderPartOf("\\\\server\\share\\a.txt"), "\\\\server\\share\\");
  EXPECT_EQ(FolderPartOf("run.exe"), "");
  EXPECT_EQ(FolderPartOf("docs/readme.txt"), "");
  // The trail byte 0x5C of a double-byte character is not a backslash.
  EXPECT_EQ(FolderPartOf("C:\\表"), "C:\\");
  EXPECT_EQ(FolderPartOf("C:\\表\\ソ.exe"), "C:\\表\\");
  // A lead byte at the very end is not read past.
  EXPECT_EQ(FolderPartOf(std::string("C:\\a\x95", 5)), "C:\\");
}

TEST(Folders, FolderWithoutSeparatorExceptAtRoot) {
  EXPECT_EQ(FolderOf("C:\\tools\\vakro.exe"), "C:\\tools");
  EXPECT_EQ(FolderOf("C:\\vakro.exe"), "C:\\");
  EXPECT_EQ(FolderOf("\\vakro.exe"), "\\");
  EXPECT_EQ(FolderOf("\\\\server\\share\\vakro.exe"), "\\\\server\\share");
  EXPECT_EQ(FolderOf("vakro.exe"), "");
  EXPECT_EQ(FolderOf("C:\\ソ\\vakro.exe"), "C:\\ソ");
}

TEST(Browser, ProgramUpToFirstExe) {
  EXPECT_EQ(BrowserProgramOf("\"C:\\Program Files\\Web\\WEB.EXE\" -nohome \"%1\""),
            "C:\\Program Files\\Web\\WEB.EXE");
  EXPECT_EQ(BrowserProgramOf("C:\\web\\web.Exe %1"), "C:\\web\\web.Exe");
  EXPECT_EQ(BrowserProgramOf("C:\\a.exec\\b.exe"), "C:\\a.exe");
  EXPECT_EQ(BrowserProgramOf("winebrowser \"%1\""), "");
  EXPECT_EQ(BrowserProgramOf(""), "");
}

}  // namespace
