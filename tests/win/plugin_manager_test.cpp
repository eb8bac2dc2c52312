// The plug-in registry against the test plug-ins of tools/plugins, under Wine: the order of the
// calls into a library, the macro look-up, "plugin.dat", and runs on worker threads, including
// plug-ins that fault, block or never return.
#include "plugins/plugin_manager.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "tests/test_support.h"
#include "tests/win/window_watch.h"
#include "toolkit/application.h"

namespace {

std::string PluginPath(const std::string& name) {
  char exe[MAX_PATH];
  DWORD length = GetModuleFileNameA(nullptr, exe, MAX_PATH);
  std::string path(exe, length);
  path = path.substr(0, path.find_last_of('\\') + 1) + VAKRO_TEST_PLUGIN_DIR + "/" + name + ".vpi";
  std::replace(path.begin(), path.end(), '/', '\\');
  return path;
}

struct LogLine {
  std::string module, event, first, second;
  DWORD thread = 0;
  int priority = 0;
};

class PluginManagerTest : public testing::Test {
 protected:
  static void SetUpTestSuite() { ASSERT_TRUE(Application.Initialize("plugin test")); }

  void SetUp() override {
    folder_ = ScratchFolder();
    logPath_ = folder_ + "calls.log";
    SetEnvironmentVariableA("VAKRO_PLUGIN_LOG", logPath_.c_str());
    manager_ = std::make_unique<TPluginManager>(TPluginHost{
        [](const std::function<void()>& work) { Application.RunOnMainThread(work); },
        [this](const std::string& text) { errors_.push_back(text); }});
    manager_->dataFolder = folder_;
  }

  void TearDown() override { manager_.reset(); }

  std::vector<LogLine> Log() const {
    std::vector<LogLine> lines;
    std::istringstream in(ReadBytes(logPath_));
    std::string text;
    while (std::getline(in, text)) {
      if (!text.empty() && text.back() == '\r') text.pop_back();
      std::vector<std::string> fields;
      std::istringstream row(text);
      for (std::string field; std::getline(row, field, '|');) fields.push_back(field);
      if (fields.size() < 6) continue;
      lines.push_back({fields[0], fields[1], fields[2], fields[3],
                       static_cast<DWORD>(std::stoul(fields[4])), std::stoi(fields[5])});
    }
    return lines;
  }

  std::vector<std::string> Events() const {
    std::vector<std::string> events;
    for (const LogLine& line : Log()) events.push_back(line.event);
    return events;
  }

  int Count(const std::string& event) const {
    auto events = Events();
    return static_cast<int>(std::count(events.begin(), events.end(), event));
  }

  void ClearLog() { DeleteFileA(logPath_.c_str()); }

  // Handles messages (the runs' completions among them) until `done` or ten seconds passed.
  template <typename Condition>
  bool PumpUntil(Condition done) {
    DWORD start = GetTickCount();
    while (!done()) {
      if (GetTickCount() - start > 10000) return false;
      MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
      Application.ProcessMessages();
    }
    return true;
  }

  bool RunFinished(int index) {
    return PumpUntil([&] { return !manager_->IsRunning(index); });
  }

  int AddPlugin(const std::string& name, const std::string& macro, const std::string& value = "") {
    if (!manager_->Add(PluginPath(name), value, macro)) return -1;
    return manager_->GetCount() - 1;
  }

  std::string folder_;
  std::string logPath_;
  std::vector<std::string> errors_;  // the failures reported to the user
  std::unique_ptr<TPluginManager> manager_;
};

TEST_F(PluginManagerTest, CallsIntoTheLibraryInTheOrderOfARegistrationsLife) {
  const std::string path = PluginPath("vp_logger");
  ASSERT_TRUE(TPluginManager::IsPlugin(path));
  ASSERT_TRUE(manager_->Add(path, "abc", "$log"));
  manager_->Register(0);
  EXPECT_TRUE(manager_->HasDialog(0));
  EXPECT_TRUE(manager_->ShowDialog(Application.Handle(), 0));
  manager_->ExecuteMacro("$log");
  ASSERT_TRUE(RunFinished(0));
  ASSERT_TRUE(manager_->Update(0, path, "xyz", "$log2"));
  manager_->Unregister(0);
  ASSERT_TRUE(manager_->Delete(0));

  EXPECT_EQ(Events(), (std::vector<std::string>{
                          "attach", "vakroGetVersion", "detach", "attach", "vakroGetInfo",
                          "vakroRegister", "vakroIsDialog", "vakroShowDialog", "vakroExecute",
                          "vakroExecute-returns", "vakroUnregister", "vakroTerminate", "detach"}));
  for (const LogLine& line : Log()) {
    if (line.event == "vakroRegister" || line.event == "vakroUnregister") {
      EXPECT_EQ(line.first, folder_);
    }
    if (line.event == "vakroShowDialog") {
      EXPECT_EQ(line.second, folder_);
    }
  }
  EXPECT_TRUE(errors_.empty());
}

TEST_F(PluginManagerTest, StartUpLoadCallsOnlyGetInfoAndExitTerminatesEveryRegistration) {
  WriteBytes(folder_ + "plugin.dat", PluginPath("vp_logger") + ",,$one\r\n" +
                                         PluginPath("vp_logger") + ",,$two\r\n");
  ASSERT_TRUE(manager_->LoadFromFile(folder_ + "plugin.dat"));
  ASSERT_EQ(manager_->GetCount(), 2);
  manager_.reset();
  // One file registered twice: each registration has its own vakroGetInfo and vakroTerminate.
  EXPECT_EQ(Events(), (std::vector<std::string>{"attach", "vakroGetInfo", "vakroGetInfo",
                                                "vakroTerminate", "vakroTerminate", "detach"}));
}

// plugin.dat changed by another program: unchanged lines keep their registration and library
// (no second vakroGetInfo), a changed line is a new registration, a line gone is terminated.
TEST_F(PluginManagerTest, ReloadKeepsTheRegistrationsOfUnchangedLines) {
  const std::string one = PluginPath("vp_logger") + ",,$one\r\n";
  const std::string two = PluginPath("vp_logger") + ",,$two\r\n";
  WriteBytes(folder_ + "plugin.dat", one + two);
  ASSERT_TRUE(manager_->LoadFromFile(folder_ + "plugin.dat"));
  const tagPLUGININFO* kept = manager_->GetPlugin(1);
  ClearLog();

  ASSERT_TRUE(manager_->ReloadFromBytes(two + PluginPath("vp_logger") + ",v,$three\r\n"));
  ASSERT_EQ(manager_->GetCount(), 2);
  EXPECT_EQ(manager_->GetPlugin(0), kept);
  EXPECT_EQ(manager_->GetPlugin(1)->macro, "$three");
  EXPECT_EQ(manager_->GetPlugin(1)->value, "v");
  EXPECT_EQ(Count("vakroGetInfo"), 1);
  EXPECT_EQ(Count("vakroTerminate"), 1);

  // Bytes without a registration line change nothing.
  EXPECT_FALSE(manager_->ReloadFromBytes("junk\r\n"));
  EXPECT_EQ(manager_->GetCount(), 2);
  EXPECT_EQ(manager_->GetPlugin(0), kept);
}

TEST_F(PluginManagerTest, FindsMacrosExactlyAndCaseSensitively) {
  ASSERT_EQ(AddPlugin("vp_logger", "$calc"), 0);
  ASSERT_EQ(AddPlugin("vp_logger", "$calc"), 1);
  EXPECT_EQ(manager_->IndexOfMacro("$calc"), 0);
  EXPECT_EQ(manager_->IndexOfMacro("$Calc"), -1);
  EXPECT_EQ(manager_->IndexOfMacro("$cal"), -1);
  EXPECT_EQ(manager_->IndexOfMacro("$calcx"), -1);
  manager_->ExecuteMacro("$CALC");
  manager_->ExecuteMacro("$nothing");
  EXPECT_FALSE(manager_->IsRunning(0));
  EXPECT_EQ(Count("vakroExecute"), 0);
}

TEST_F(PluginManagerTest, DeletingIndexOneOfThreeMovesTheLastDown) {
  AddPlugin("vp_logger", "$a");
  AddPlugin("vp_logger", "$b");
  AddPlugin("vp_logger", "$c");
  ASSERT_TRUE(manager_->Delete(1));
  ASSERT_EQ(manager_->GetCount(), 2);
  EXPECT_EQ(manager_->GetPlugin(1)->macro, "$c");
  EXPECT_FALSE(manager_->Delete(2));
  EXPECT_EQ(manager_->GetPlugin(2), nullptr);
  EXPECT_EQ(manager_->GetPlugin(-1), nullptr);
}

TEST_F(PluginManagerTest, RefusesLibrariesThatCannotBeRegistered) {
  EXPECT_EQ(AddPlugin("vp_no_info", "$x"), -1);
  EXPECT_EQ(AddPlugin("vp_missing", "$x"), -1);
  EXPECT_EQ(manager_->GetCount(), 0);
  EXPECT_EQ(Events(), (std::vector<std::string>{"attach", "detach"}));  // vp_no_info released
  EXPECT_EQ(manager_->Update(0, PluginPath("vp_logger"), "", "$x"), nullptr);
}

TEST_F(PluginManagerTest, ChecksTheVersionTextAsAWholeString) {
  EXPECT_TRUE(TPluginManager::IsPlugin(PluginPath("vp_logger")));
  EXPECT_FALSE(TPluginManager::IsPlugin(PluginPath("vp_version_lower")));
  EXPECT_FALSE(TPluginManager::IsPlugin(PluginPath("vp_version_blank")));
  EXPECT_FALSE(TPluginManager::IsPlugin(PluginPath("vp_version_longer")));
  EXPECT_FALSE(TPluginManager::IsPlugin(PluginPath("vp_no_version")));
  EXPECT_FALSE(TPluginManager::IsPlugin(PluginPath("vp_missing")));
  WriteBytes(folder_ + "text.vpi", "not a library");
  EXPECT_FALSE(TPluginManager::IsPlugin(folder_ + "text.vpi"));
}

TEST_F(PluginManagerTest, ReadsNameAndDescriptionOnlyWithinTheirBuffers) {
  ASSERT_EQ(AddPlugin("vp_long_info", "$x"), 0);
  EXPECT_EQ(manager_->GetPlugin(0)->name, std::string(63, 'N'));
  EXPECT_EQ(manager_->GetPlugin(0)->description, std::string(259, 'D'));
}

TEST_F(PluginManagerTest, SavesThreeItemsPerLineAndAnEmptyRegistryAsNoBytes) {
  const std::string file = folder_ + "plugin.dat";
  ASSERT_TRUE(manager_->SaveToFile(file));
  EXPECT_EQ(ReadBytes(file), "");
  ASSERT_TRUE(manager_->LoadFromFile(file));
  EXPECT_EQ(manager_->GetCount(), 0);

  const std::string path = PluginPath("vp_logger");
  manager_->Add(path, "", "$calc");
  manager_->Add(path, "a b,\"c\"", "$two");
  ASSERT_TRUE(manager_->SaveToFile(file));
  const std::string quotedPath = path.find(' ') == std::string::npos ? path : "\"" + path + "\"";
  EXPECT_EQ(ReadBytes(file), quotedPath + ",,$calc\r\n" + quotedPath + ",\"a b,\"\"c\"\"\",$two\r\n");
  EXPECT_FALSE(manager_->SaveToFile(folder_ + "missing\\plugin.dat"));
}

// A library missing at start (a drive not yet connected) stays registered: saved back in its
// place, its runs failing, and loaded by the next start once it is there.
TEST_F(PluginManagerTest, LoadingKeepsUnusableLibrariesAndSkipsOnlyShortLines) {
  const std::string file = folder_ + "plugin.dat";
  EXPECT_TRUE(manager_->LoadFromFile(folder_ + "absent.dat"));
  const std::string lines = PluginPath("vp_missing") + ",,$gone\r\n" + PluginPath("vp_no_info") +
                            ",,$noinfo\r\n" + PluginPath("vp_fault_attach") + ",x,$attach\r\n" +
                            PluginPath("vp_logger") + ",,$kept\r\n";
  WriteBytes(file, PluginPath("vp_logger") + ",v\r\n" + lines + "\r\n");
  ASSERT_TRUE(manager_->LoadFromFile(file));
  ASSERT_EQ(manager_->GetCount(), 4);
  EXPECT_EQ(manager_->GetPlugin(3)->name, "テスト");
  for (int index = 0; index < 3; ++index) {
    SCOPED_TRACE(index);
    EXPECT_EQ(manager_->GetPlugin(index)->module, nullptr);
    EXPECT_EQ(manager_->GetPlugin(index)->name, "");
    EXPECT_FALSE(manager_->HasDialog(index));
    manager_->ShowDialog(Application.Handle(), index);
    manager_->Unregister(index);
  }
  manager_->ExecuteMacro("$gone");
  ASSERT_TRUE(RunFinished(0));
  ASSERT_EQ(errors_.size(), 1u);
  EXPECT_EQ(errors_[0], "プラグイン  の実行に失敗。");
  ASSERT_TRUE(manager_->SaveToFile(file));
  EXPECT_EQ(ReadBytes(file), lines);
  ASSERT_TRUE(manager_->Delete(0));
  EXPECT_EQ(Count("vakroTerminate"), 0);
}

// A fault in a call on the main thread: one message naming the plug-in, the registration is
// broken (nothing of it is called again, its runs fail) and kept, and the program goes on.
TEST_F(PluginManagerTest, AFaultInAnyMainThreadCallBreaksOnlyThatRegistration) {
  struct Case {
    const char* plugin;
    void (*call)(TPluginManager& manager);
  } cases[] = {
      {"vp_fault_register", [](TPluginManager& m) { m.Register(0); }},
      {"vp_fault_unregister", [](TPluginManager& m) { m.Unregister(0); }},
      {"vp_fault_isdialog", [](TPluginManager& m) { EXPECT_FALSE(m.HasDialog(0)); }},
      {"vp_fault_showdialog", [](TPluginManager& m) { m.ShowDialog(Application.Handle(), 0); }},
      {"vp_fault_terminate", [](TPluginManager& m) { EXPECT_TRUE(m.Delete(0)); }},
      {"vp_fault_getinfo", [](TPluginManager&) {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.plugin);
    errors_.clear();
    ClearLog();
    ASSERT_EQ(AddPlugin(c.plugin, "$fault"), 0);
    c.call(*manager_);
    ASSERT_EQ(errors_.size(), 1u);
    EXPECT_NE(errors_[0].find("($fault) でエラーが発生しました。"), std::string::npos);
    EXPECT_NE(errors_[0].find(PluginPath(c.plugin)), std::string::npos);
    if (manager_->GetCount() == 0) continue;  // the terminate case
    EXPECT_TRUE(manager_->GetPlugin(0)->broken);
    const int calls = static_cast<int>(Events().size());
    manager_->Register(0);
    EXPECT_FALSE(manager_->HasDialog(0));
    manager_->ExecuteMacro("$fault");
    ASSERT_TRUE(RunFinished(0));
    EXPECT_EQ(errors_.size(), 2u);
    manager_->Unregister(0);
    ASSERT_TRUE(manager_->Delete(0));
    EXPECT_EQ(static_cast<int>(Events().size()), calls) << "nothing of it is called again";
  }
  EXPECT_FALSE(TPluginManager::IsPlugin(PluginPath("vp_fault_getversion")));
  EXPECT_EQ(manager_->Add(PluginPath("vp_fault_attach"), "", "$x"), nullptr);
  AddPlugin("vp_logger", "$log");
  manager_->ExecuteMacro("$log");
  ASSERT_TRUE(RunFinished(0));
  EXPECT_EQ(Count("vakroExecute-returns"), 1);

  // At exit the message loop is over: the fault is caught without a message.
  errors_.clear();
  AddPlugin("vp_fault_terminate", "$exit");
  manager_.reset();
  EXPECT_EQ(Count("vakroTerminate"), 2);
  EXPECT_TRUE(errors_.empty());
}

TEST_F(PluginManagerTest, RunsALibraryWithoutVersionReadAtStartUp) {
  WriteBytes(folder_ + "plugin.dat", PluginPath("vp_no_version") + ",,$old\r\n");
  ASSERT_TRUE(manager_->LoadFromFile(folder_ + "plugin.dat"));
  manager_->ExecuteMacro("$old");
  ASSERT_TRUE(RunFinished(0));
  EXPECT_EQ(Count("vakroExecute-returns"), 1);
  EXPECT_TRUE(errors_.empty());
}

TEST_F(PluginManagerTest, ExecutesOnAWorkerThreadBelowNormalWithTheValue) {
  AddPlugin("vp_logger", "$empty");
  AddPlugin("vp_logger", "$value", "x y");
  manager_->ExecuteMacro("$empty");
  ASSERT_TRUE(RunFinished(0));
  manager_->ExecuteMacro("$value");
  ASSERT_TRUE(RunFinished(1));
  std::vector<std::string> values;
  for (const LogLine& line : Log()) {
    if (line.event != "vakroExecute") continue;
    values.push_back(line.second);
    EXPECT_NE(line.thread, GetCurrentThreadId());
    EXPECT_EQ(line.priority, THREAD_PRIORITY_BELOW_NORMAL);
  }
  EXPECT_EQ(values, (std::vector<std::string>{"", "x y"}));  // "" is an empty text, not null
  EXPECT_TRUE(errors_.empty());
}

TEST_F(PluginManagerTest, IgnoresATriggerWhileTheRunGoesOnAndRunsAgainAfterIt) {
  const std::string signal = folder_ + "go";
  AddPlugin("vp_block", "$wait", signal);
  manager_->ExecuteMacro("$wait");
  ASSERT_TRUE(PumpUntil([&] { return Count("vakroExecute") == 1; }));
  manager_->ExecuteMacro("$wait");
  EXPECT_TRUE(manager_->IsRunning(0));
  WriteBytes(signal, "");
  ASSERT_TRUE(RunFinished(0));
  manager_->ExecuteMacro("$wait");
  ASSERT_TRUE(RunFinished(0));
  EXPECT_EQ(Count("vakroExecute"), 2);
  EXPECT_TRUE(errors_.empty());
}

TEST_F(PluginManagerTest, ReportsEachFailedRunOnceAndCanRunAgain) {
  for (const char* name : {"vp_null_pointer", "vp_raise", "vp_no_execute"}) {
    SCOPED_TRACE(name);
    errors_.clear();
    ASSERT_EQ(AddPlugin(name, "$fail"), 0);
    for (int run = 1; run <= 2; ++run) {
      manager_->ExecuteMacro("$fail");
      ASSERT_TRUE(RunFinished(0));
      ASSERT_EQ(errors_.size(), static_cast<size_t>(run)) << ReadBytes(logPath_);
      EXPECT_EQ(errors_.back(), "プラグイン テスト の実行に失敗。");
    }
    manager_->Clear();
  }
  EXPECT_EQ(Count("vakroExecute-returns"), 0);
}

TEST_F(PluginManagerTest, LeavesExceptionsThePlugInHandlesItselfAlone) {
  AddPlugin("vp_handled_throw", "$throw", "handled");
  manager_->ExecuteMacro("$throw");
  ASSERT_TRUE(RunFinished(0));
  EXPECT_EQ(Count("vakroExecute-returns"), 1);
  EXPECT_TRUE(errors_.empty());
}

TEST_F(PluginManagerTest, FailureOfAnUnnamedPlugInHasTwoBlanks) {
  AddPlugin("vp_unnamed", "$anon");
  manager_->ExecuteMacro("$anon");
  ASSERT_TRUE(RunFinished(0));
  ASSERT_EQ(errors_.size(), 1u);
  EXPECT_EQ(errors_[0], "プラグイン  の実行に失敗。");
}

TEST_F(PluginManagerTest, DeleteDuringARunReleasesTheLibraryOnlyAfterTheCallReturned) {
  const std::string signal = folder_ + "go";
  const std::string path = PluginPath("vp_block");
  AddPlugin("vp_block", "$wait", signal);
  manager_->ExecuteMacro("$wait");
  ASSERT_TRUE(PumpUntil([&] { return Count("vakroExecute") == 1; }));
  manager_->Unregister(0);
  ASSERT_TRUE(manager_->Delete(0));
  EXPECT_EQ(manager_->GetCount(), 0);
  EXPECT_EQ(Count("vakroUnregister") + Count("vakroTerminate") + Count("detach"), 0)
      << "nothing is freed under the running call";
  EXPECT_NE(GetModuleHandleA(path.c_str()), nullptr);

  WriteBytes(signal, "");
  ASSERT_TRUE(PumpUntil([&] { return Count("detach") == 1; }));
  auto events = Events();
  events.erase(events.begin(), std::find(events.begin(), events.end(), "vakroExecute-returns"));
  EXPECT_EQ(events, (std::vector<std::string>{"vakroExecute-returns", "vakroUnregister",
                                              "vakroTerminate", "detach"}));
  EXPECT_EQ(GetModuleHandleA(path.c_str()), nullptr);
  EXPECT_TRUE(errors_.empty());
}

TEST_F(PluginManagerTest, UpdateDuringARunKeepsTheOldLibraryUntilTheCallReturned) {
  const std::string signal = folder_ + "go";
  AddPlugin("vp_block", "$wait", signal);
  manager_->ExecuteMacro("$wait");
  ASSERT_TRUE(PumpUntil([&] { return Count("vakroExecute") == 1; }));
  ASSERT_TRUE(manager_->Update(0, PluginPath("vp_logger"), "", "$wait"));
  EXPECT_NE(GetModuleHandleA(PluginPath("vp_block").c_str()), nullptr);
  WriteBytes(signal, "");
  ASSERT_TRUE(RunFinished(0));
  EXPECT_EQ(GetModuleHandleA(PluginPath("vp_block").c_str()), nullptr);
  manager_->ExecuteMacro("$wait");  // now the new library's
  ASSERT_TRUE(RunFinished(0));
  EXPECT_EQ(Log().back().module, "vp_logger.vpi");
}

TEST_F(PluginManagerTest, DestroyingTheManagerDoesNotWaitForARunThatDoesNotReturn) {
  const std::string signal = folder_ + "never";
  AddPlugin("vp_block", "$wait", signal);
  manager_->ExecuteMacro("$wait");
  ASSERT_TRUE(PumpUntil([&] { return Count("vakroExecute") == 1; }));
  manager_.reset();  // a hang here ends the test by its time-out
  EXPECT_EQ(Count("vakroTerminate"), 0) << "not under the running call";
  // When the call returns after all, its completion finds no manager; the library is left
  // to the process's end.
  WriteBytes(signal, "");
  ASSERT_TRUE(PumpUntil([&] { return Count("vakroExecute-returns") == 1; }));
  Application.ProcessMessages();
  EXPECT_EQ(Count("vakroTerminate"), 0);
  EXPECT_TRUE(errors_.empty());
}

TEST_F(PluginManagerTest, ShowsThePlugInsModalDialogAndReturnsWhenItCloses) {
  AddPlugin("vp_dialog", "$dialog");
  {
    const TWindowShownWatch closer("#32770", "テスト プラグインの設定",
                                   [](HWND dialog) { PostMessageA(dialog, WM_COMMAND, IDOK, 0); });
    EXPECT_TRUE(manager_->ShowDialog(Application.Handle(), 0));
    EXPECT_TRUE(closer.Fired());
  }
  EXPECT_EQ(Count("vakroShowDialog-closed"), 1);
  EXPECT_TRUE(manager_->ShowDialog(Application.Handle(), 5));
}

}  // namespace
