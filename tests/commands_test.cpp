#include <gtest/gtest.h>

#include "engine/commands.h"

namespace {

TEST(Commands, WordsIgnoreCaseButNotBlanks) {
  for (const char* text : {"$ExitWindows", "$EXITWINDOWS", "$exitwindows"})
    EXPECT_EQ(ParseCommand(text).command, TBuiltinCommand::kExitWindows) << text;
  EXPECT_EQ(ParseCommand("$reboot").command, TBuiltinCommand::kReboot);
  EXPECT_EQ(ParseCommand("$Show").command, TBuiltinCommand::kShow);
  EXPECT_EQ(ParseCommand("$WindowInfo").command, TBuiltinCommand::kWindowInfo);
  EXPECT_EQ(ParseCommand("$VolumeUp").command, TBuiltinCommand::kVolumeUp);
  EXPECT_EQ(ParseCommand("$volumedown").command, TBuiltinCommand::kVolumeDown);
  EXPECT_EQ(ParseCommand("$MUTE").command, TBuiltinCommand::kMute);
  EXPECT_TRUE(IsPauseCommand("$Pause"));
  EXPECT_FALSE(IsPauseCommand("$pause "));
  EXPECT_FALSE(IsPauseCommand("pause"));
  // The output words shadow plug-in macros of the same names, as every word does.
  EXPECT_TRUE(IsOutputCommand("$Text"));
  EXPECT_TRUE(IsOutputCommand("$KEYS"));
  EXPECT_FALSE(IsOutputCommand("$text "));
  EXPECT_FALSE(IsOutputCommand("text"));
  EXPECT_EQ(ParseCommand("$keys").command, TBuiltinCommand::kPressKeys);

  TParsedCommand blank = ParseCommand("$show ");
  EXPECT_EQ(blank.command, TBuiltinCommand::kMacro);
  EXPECT_EQ(blank.macroText, "$show ");
}

TEST(Commands, AnythingElseIsALowerCasedMacro) {
  EXPECT_EQ(ParseCommand("$").macroText, "$");
  EXPECT_EQ(ParseCommand("$MyMacro").macroText, "$mymacro");
  // Double-byte characters pass whole; full-width capitals are lowered as the code page does.
  EXPECT_EQ(ParseCommand("$Ａ表示X").macroText, "$ａ表示x");
  EXPECT_EQ(ParseCommand("$ソ").macroText, "$ソ");  // trail byte 0x5C
}

TEST(Commands, OnlyTextsStartingWithDollarAreCommands) {
  EXPECT_TRUE(IsCommandText("$show"));
  EXPECT_TRUE(IsCommandText("$"));
  EXPECT_FALSE(IsCommandText(""));
  EXPECT_FALSE(IsCommandText("C:\\$show"));
}

TEST(WindowInfo, TextHasEveryLineInOrder) {
  TWindowInfoFacts facts{"無題 - メモ帳", 0x2A0F4, "Notepad", -8, 10, 1032, 776};
  EXPECT_EQ(WindowInfoText(facts),
            "■ウィンドウ情報■\r\n\r\n"
            "ウィンドウテキスト : 無題 - メモ帳\r\n"
            "ウィンドウハンドル : 0002A0F4\r\n"
            "ウィンドウクラス　 : Notepad\r\n"
            "座標　　　　　　　 : (-8,10)-(1032,776)\r\n");
  EXPECT_EQ(WindowInfoFailureText(), "ウィンドウ情報の取得に失敗しました。");
}

TEST(WindowInfo, WideHandlesKeepEveryDigit) {
  TWindowInfoFacts facts;
  facts.handle = static_cast<uintptr_t>(0xABCDEF01u);
  EXPECT_NE(WindowInfoText(facts).find(" : ABCDEF01\r\n"), std::string::npos);
  if (sizeof(uintptr_t) == 8) {
    facts.handle = static_cast<uintptr_t>(0x123456789ull);
    EXPECT_NE(WindowInfoText(facts).find(" : 123456789\r\n"), std::string::npos);
  }
}

TEST(Volume, StepsOf1024WithinTheBounds) {
  EXPECT_EQ(VolumeStepUp(5000, 65535), 5120u);
  EXPECT_EQ(VolumeStepDown(5000, 0), 3072u);
  EXPECT_EQ(VolumeStepUp(65000, 65535), 65535u);
  EXPECT_EQ(VolumeStepDown(500, 0), 0u);
  EXPECT_EQ(VolumeStepDown(1024, 0), 0u);
  EXPECT_EQ(VolumeStepUp(1024, 65535), 2048u);
  EXPECT_EQ(VolumeStepUp(0, 65535), 1024u);
  // Below the first step the lowered value is negative; a negative bound takes it.
  EXPECT_EQ(VolumeStepDown(500, -5000), static_cast<uint32_t>(-1024));

  uint32_t volume = 0;
  for (int step = 0; step < 63; ++step) volume = VolumeStepUp(volume, 65535);
  EXPECT_EQ(volume, 64512u);
  EXPECT_EQ(VolumeStepUp(volume, 65535), 65535u);
}

TEST(Volume, UpNeverWrapsToSilence) {
  EXPECT_EQ(VolumeStepUp(0xFFFFFFFFu, 65535), 65535u);
  EXPECT_EQ(VolumeStepUp(0xFFFFFC00u, 0xFFFFFFFFu), 0xFFFFFFFFu);
}

}  // namespace
