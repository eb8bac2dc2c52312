#include <gtest/gtest.h>

#include "engine/commands.h"

#include <map>

#include "data/key_manager.h"
#include "engine/raise_decision.h"

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

TEST(RaisePaths, ProgramFilesAndPathsComparedWithoutCase) {
  EXPECT_TRUE(IsProgramFilePath("C:\\Tools\\Witness.EXE"));
  EXPECT_TRUE(IsProgramFilePath("C:\\表\\ソ.exe"));
  EXPECT_FALSE(IsProgramFilePath("C:\\Docs\\memo.txt"));
  EXPECT_FALSE(IsProgramFilePath("C:\\Users\\me\\Desktop\\editor.lnk"));
  EXPECT_FALSE(IsProgramFilePath("C:\\folder.exe\\"));
  EXPECT_FALSE(IsProgramFilePath(""));

  EXPECT_TRUE(SameFilePath("C:\\Program Files\\Ｅｄｉｔ\\EDIT.exe", "c:\\program files\\ｅｄｉｔ\\edit.EXE"));
  EXPECT_TRUE(SameFilePath("D:\\ソフト\\表.exe", "d:\\ソフト\\表.EXE"));  // trail bytes 0x5C stay
  EXPECT_FALSE(SameFilePath("C:\\a\\edit.exe", "C:\\b\\edit.exe"));
  // A trail byte in the range of capitals is never lowered on its own: ア (83 41) is not ヂ (83 61).
  EXPECT_FALSE(SameFilePath("C:\\ア.exe", "C:\\ヂ.exe"));
}

class RaiseDecision : public ::testing::Test {
 protected:
  std::map<uint32_t, std::string> images = {{10, "c:\\tools\\EDIT.EXE"}, {11, "C:\\Tools\\Edit.exe"},
                                            {20, "C:\\Tools\\Other.exe"}, {30, ""}};
  std::map<uint32_t, int> reads;

  TRaiseDecision Decide(const std::vector<TTopWindow>& topDown, uintptr_t foregroundRoot = 0,
                        bool minimizeInFront = false, const std::string& path = "C:\\Tools\\Edit.exe") {
    return DecideRaise(path, minimizeInFront, topDown, foregroundRoot, [this](uint32_t processId) {
      ++reads[processId];
      return images[processId];
    });
  }
};

TEST_F(RaiseDecision, FirstVisibleUnownedWindowOfTheProgramInZOrder) {
  const std::vector<TTopWindow> topDown = {
      {1, 10, false, false},  // hidden
      {2, 10, true, true},    // a dialog it owns
      {3, 20, true, false},   // another program
      {7, 20, true, false},   // and another window of it
      {4, 30, true, false},   // a process whose path cannot be read
      {5, 11, true, false},   // the copy used last
      {6, 10, true, false}};
  TRaiseDecision decision = Decide(topDown);
  EXPECT_EQ(decision.action, TRaiseAction::kRaise);
  EXPECT_EQ(decision.window, 5u);
  EXPECT_EQ(reads, (std::map<uint32_t, int>{{11, 1}, {20, 1}, {30, 1}})) << "each process read once, hidden ones never";

  EXPECT_EQ(Decide({{1, 10, false, false}, {2, 10, true, true}, {3, 30, true, false}}).action, TRaiseAction::kStart);
  EXPECT_EQ(Decide({}).action, TRaiseAction::kStart);
}

TEST_F(RaiseDecision, MinimisesOnlyWithTheOptionAndOnlyTheWindowInFront) {
  const std::vector<TTopWindow> topDown = {{3, 20, true, false}, {5, 10, true, false}};
  EXPECT_EQ(Decide(topDown, 5, true).action, TRaiseAction::kMinimize);
  EXPECT_EQ(Decide(topDown, 5, true).window, 5u);
  EXPECT_EQ(Decide(topDown, 5, false).action, TRaiseAction::kRaise);
  EXPECT_EQ(Decide(topDown, 3, true).action, TRaiseAction::kRaise);
  EXPECT_EQ(Decide(topDown, 0, true).action, TRaiseAction::kRaise);  // nothing in front
  // Minimised, it may keep the activation when no other window takes it: it is restored.
  EXPECT_EQ(Decide({{5, 10, true, false, true}}, 5, true).action, TRaiseAction::kRaise);
}

TEST_F(RaiseDecision, DocumentsShortcutsAndUnresolvedTextsStart) {
  images[10] = "C:\\Docs\\memo.txt";
  const std::vector<TTopWindow> topDown = {{5, 10, true, false}};
  EXPECT_EQ(Decide(topDown, 0, false, "C:\\Docs\\memo.txt").action, TRaiseAction::kStart);
  EXPECT_EQ(Decide(topDown, 0, false, "").action, TRaiseAction::kStart);
  EXPECT_TRUE(reads.empty());

  TKeyInfo info;
  EXPECT_EQ(RunningCopyOf(info), TRunningCopy::kStartAnother);
  info.SetOption(kOptionMinimize, true);
  EXPECT_EQ(RunningCopyOf(info), TRunningCopy::kStartAnother) << "minimize alone does nothing";
  info.SetOption(kOptionRaise, true);
  EXPECT_EQ(RunningCopyOf(info), TRunningCopy::kRaiseOrMinimize);
  info.SetOption(kOptionMinimize, false);
  EXPECT_EQ(RunningCopyOf(info), TRunningCopy::kRaise);
}

}  // namespace
