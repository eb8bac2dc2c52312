#include <gtest/gtest.h>

#include <map>
#include <set>

#include "ui/plugin_entry.h"

namespace {

const char kMissing[] = "指定のプラグインは存在しません。パスを確認してください。";
const char kNotPlugin[] = "指定のプラグインは Vakro 用のプラグインではありません。";
const char kNoPath[] = "プラグインを指定してください。";
const char kBadMacro[] = "マクロが不正です。正しいマクロを指定してください。";

std::string Duplicate(const std::string& macro) {
  return "マクロ " + macro + " は他のプラグインで登録済みです。他のマクロを指定してください。";
}

// A file system of a few files, some of them plug-ins, and registrations by macro.
struct FakeWorld {
  std::set<std::string> files{"C:\\p\\good.vpi", "C:\\p\\text.txt"};
  std::set<std::string> plugins{"C:\\p\\good.vpi"};
  std::map<std::string, int> macros{{"$calc", 0}, {"$clock", 1}};
  int pluginChecks = 0;

  TPluginChecks Checks() {
    return {[this](const std::string& path) { return files.count(path) > 0; },
            [this](const std::string& path) {
              ++pluginChecks;
              return plugins.count(path) > 0;
            },
            [this](const std::string& macro) {
              auto found = macros.find(macro);
              return found == macros.end() ? -1 : found->second;
            }};
  }
  std::string Error(const std::string& path, const std::string& macro, int excludeIndex = -1) {
    return PluginInputError(NormalisePluginInput(path, "", macro), excludeIndex, Checks());
  }
};

TEST(PluginEntry, MacroIsTrimmedLoweredAndPrefixedOnce) {
  EXPECT_EQ(NormalisePluginInput("", "", "  CaLc \t").macro, "$calc");
  EXPECT_EQ(NormalisePluginInput("", "", " $CaLc").macro, "$calc");
  EXPECT_EQ(NormalisePluginInput("", "", "$$x").macro, "$$x");
  EXPECT_EQ(NormalisePluginInput("", "", "").macro, "$");
  EXPECT_EQ(NormalisePluginInput("", "", "  $ ").macro, "$");
  // Letters of the code page are lowered too (full-width A to full-width a), and a trail byte
  // that looks like a capital letter is left alone (the second byte of "ソ" style pairs).
  EXPECT_EQ(NormalisePluginInput("", "", "\x82\x60").macro, "$\x82\x81");
  EXPECT_EQ(NormalisePluginInput("", "", "\x83\x5A" "A").macro, "$\x83\x5A" "a");
}

TEST(PluginEntry, PathAndValueAreTrimmedButKeepTheirCase) {
  TPluginInput input = NormalisePluginInput(" \tC:\\P\\Good.vpi\r\n", "  Two Words ", "m");
  EXPECT_EQ(input.path, "C:\\P\\Good.vpi");
  EXPECT_EQ(input.value, "Two Words");
  EXPECT_EQ(NormalisePluginInput("", "   ", "m").value, "");
}

TEST(PluginEntry, EachCheckAloneGivesItsMessage) {
  FakeWorld world;
  EXPECT_EQ(world.Error("C:\\p\\good.vpi", "new"), "");
  EXPECT_EQ(world.Error("C:\\p\\none.vpi", "new"), kMissing);
  EXPECT_EQ(world.Error("C:\\p\\text.txt", "new"), kNotPlugin);
  EXPECT_EQ(world.Error("", "new"), kNoPath);
  EXPECT_EQ(world.Error("C:\\p\\good.vpi", " $ "), kBadMacro);
  EXPECT_EQ(world.Error("C:\\p\\good.vpi", "CALC"), Duplicate("$calc"));
}

TEST(PluginEntry, LastFailingCheckWins) {
  FakeWorld world;
  EXPECT_EQ(world.Error("", ""), kBadMacro);
  EXPECT_EQ(world.Error("", "calc"), Duplicate("$calc"));
  EXPECT_EQ(world.Error("C:\\p\\text.txt", "clock"), Duplicate("$clock"));
  EXPECT_EQ(world.Error("C:\\p\\none.vpi", "$"), kBadMacro);
}

TEST(PluginEntry, VersionCheckOnlyForAnExistingFile) {
  FakeWorld world;
  world.Error("C:\\p\\none.vpi", "new");
  world.Error("", "new");
  EXPECT_EQ(world.pluginChecks, 0);
  world.Error("C:\\p\\text.txt", "new");
  EXPECT_EQ(world.pluginChecks, 1);
}

TEST(PluginEntry, UpdatedRegistrationMayKeepItsMacroButNotTakeAnother) {
  FakeWorld world;
  EXPECT_EQ(world.Error("C:\\p\\good.vpi", "calc", 0), "");
  EXPECT_EQ(world.Error("C:\\p\\good.vpi", "clock", 0), Duplicate("$clock"));
  // Adding never spares a registration, whatever its index.
  EXPECT_EQ(world.Error("C:\\p\\good.vpi", "calc", -1), Duplicate("$calc"));
  // A macro only longer, or different only in case before lowering, is another macro.
  EXPECT_EQ(world.Error("C:\\p\\good.vpi", "calcs"), "");
}

}  // namespace
