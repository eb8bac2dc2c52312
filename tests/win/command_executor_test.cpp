// Built-in commands through the command execution: the volume steps against the first mixer
// (a real one when a sound server runs), "show" and the hand-off of other words to plug-ins.
#include <windows.h>

#include <gtest/gtest.h>

#include "data/key_manager.h"
#include "engine/command_executor.h"
#include "engine/mixer_control.h"
#include "plugins/plugin_manager.h"

namespace {

uint32_t CurrentVolume() { return TMixerControl().Volume(); }

TEST(CommandExecutor, VolumeUpFromZeroReachesTheTopInSixtyFourSteps) {
  if (!TMixerControl().IsOpen()) GTEST_SKIP() << "no mixer device: run beside a sound server";
  TMixerControl().SetVolume(0);
  TCommandExecutor executor;
  executor.ExecuteCommand("$volumeup");
  EXPECT_EQ(CurrentVolume(), 1024u);
  for (int i = 1; i < 64; ++i) executor.ExecuteCommand("$VolumeUp");
  EXPECT_EQ(CurrentVolume(), 65535u);
  executor.ExecuteCommand("$volumedown");
  EXPECT_EQ(CurrentVolume(), 63488u) << "65535 lies in the step that starts at 64512";
}

TEST(CommandExecutor, VolumeStepsFromOddValues) {
  if (!TMixerControl().IsOpen()) GTEST_SKIP() << "no mixer device: run beside a sound server";
  TCommandExecutor executor;
  struct Case {
    uint32_t start;
    const char* command;
    uint32_t expected;
  } cases[] = {{5000, "$volumeup", 5120},  {5000, "$volumedown", 3072}, {65000, "$volumeup", 65535},
               {500, "$volumedown", 0},    {1024, "$volumedown", 0},    {1024, "$volumeup", 2048}};
  for (const Case& c : cases) {
    TMixerControl().SetVolume(c.start);
    executor.ExecuteCommand(c.command);
    EXPECT_EQ(CurrentVolume(), c.expected) << c.command << " from " << c.start;
  }
}

TEST(CommandExecutor, MuteTwiceRestoresTheState) {
  if (!TMixerControl().IsOpen()) GTEST_SKIP() << "no mixer device: run beside a sound server";
  const bool before = TMixerControl().Muted();
  TCommandExecutor executor;
  executor.ExecuteCommand("$mute");
  EXPECT_EQ(TMixerControl().Muted(), !before);
  executor.ExecuteCommand("$MUTE");
  EXPECT_EQ(TMixerControl().Muted(), before);
}

TEST(CommandExecutor, VolumeCommandsWithoutAMixerDoNothing) {
  if (TMixerControl().IsOpen()) GTEST_SKIP() << "a mixer device is present";
  TCommandExecutor executor;
  executor.ExecuteCommand("$volumeup");
  executor.ExecuteCommand("$volumedown");
  executor.ExecuteCommand("$mute");
}

TEST(CommandExecutor, EveryDollarCommandHidesTheGuideFirstAndShowOpensTheSettings) {
  TCommandExecutor executor;
  int hidden = 0, shown = 0;
  executor.HideGuide = [&] { ++hidden; };
  executor.ShowSettings = [&] {
    EXPECT_EQ(hidden, 1) << "the guide hides before the window shows";
    ++shown;
  };
  executor.ExecuteCommand("$Show");
  executor.ExecuteCommand("$show ");
  EXPECT_EQ(hidden, 2);
  EXPECT_EQ(shown, 1) << "a trailing blank makes another word";
}

TEST(CommandExecutor, UnknownWordsGoToThePluginsAndDoNothingWithoutOne) {
  TPluginManager plugins{TPluginHost{}};  // none registered: nothing runs or fails
  TCommandExecutor executor;
  executor.plugins = &plugins;
  executor.ExecuteCommand("$NoSuchMacro");
  executor.ExecuteCommand("$");
  EXPECT_EQ(plugins.GetCount(), 0);
}

}  // namespace
