// The example plug-in window_action.vpi on a window of the test's own: each value's action,
// letter case, the default action of its settings file, and its settings dialog.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <string>
#include <vector>

#include "plugins/plugin_manager.h"
#include "plugins/vakro_plugin.h"
#include "tests/test_support.h"
#include "tests/win/window_watch.h"

namespace {

std::string ExamplePath() {
  char exe[MAX_PATH];
  std::string path(exe, GetModuleFileNameA(nullptr, exe, MAX_PATH));
  path = path.substr(0, path.find_last_of('\\') + 1) + VAKRO_TEST_PLUGIN_DIR +
         "/../example_plugin/window_action.vpi";
  std::replace(path.begin(), path.end(), '/', '\\');
  return path;
}

template <typename Proc>
Proc Export(HMODULE module, const char* name) {
  return reinterpret_cast<Proc>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}

class ExamplePluginTest : public testing::Test {
 protected:
  void SetUp() override {
    library_ = LoadLibraryA(ExamplePath().c_str());
    ASSERT_NE(library_, nullptr);
    execute_ = Export<VakroExecuteProc>(library_, "vakroExecute");
    window_ = CreateWindowExA(0, "STATIC", "target", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 10, 10, 200,
                              150, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(window_, nullptr);
    folder_ = ScratchFolder();
    Export<VakroRegisterProc>(library_, "vakroRegister")(folder_.c_str());
  }

  void TearDown() override {
    if (IsWindow(window_)) DestroyWindow(window_);
    FreeLibrary(library_);
  }

  // Handles what the plug-in's calls have queued for the window so far.
  void Settle() {
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&message);
  }

  bool TopMost() const { return (GetWindowLongA(window_, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0; }

  HMODULE library_ = nullptr;
  VakroExecuteProc execute_ = nullptr;
  HWND window_ = nullptr;
  std::string folder_;
};

TEST_F(ExamplePluginTest, IsAPlugInOfThisInterfaceWithAJapaneseName) {
  ASSERT_TRUE(TPluginManager::IsPlugin(ExamplePath()));
  std::vector<std::string> failures;
  TPluginHost host;  // no run starts here: only failures are recorded
  host.reportFailure = [&](const std::string& text) { failures.push_back(text); };
  TPluginManager manager(host);
  ASSERT_NE(manager.Add(ExamplePath(), "maximize", "$max"), nullptr);
  EXPECT_EQ(manager.GetPlugin(0)->name, "ウィンドウ操作");
  EXPECT_TRUE(manager.HasDialog(0));
  EXPECT_TRUE(failures.empty());
}

TEST_F(ExamplePluginTest, ActsOnTheGivenWindowByTheValueInAnyLetterCase) {
  execute_(window_, "MAXIMIZE");
  EXPECT_TRUE(PumpUntil([&] { return IsZoomed(window_) != 0; }));
  execute_(window_, "restore");
  EXPECT_TRUE(PumpUntil([&] { return !IsZoomed(window_) && !IsIconic(window_); }));
  execute_(window_, "Minimize");
  EXPECT_TRUE(PumpUntil([&] { return IsIconic(window_) != 0; }));
  execute_(window_, "restore");
  execute_(window_, "topmost");
  EXPECT_TRUE(PumpUntil([&] { return TopMost(); }));
  execute_(window_, "topmost");
  EXPECT_TRUE(PumpUntil([&] { return !TopMost(); }));
  execute_(window_, "close");
  EXPECT_TRUE(PumpUntil([&] { return !IsWindow(window_); }));
}

TEST_F(ExamplePluginTest, DoesNothingForOtherValuesOrWithoutAWindow) {
  execute_(window_, "maximise");
  execute_(window_, "");  // no default action chosen
  execute_(nullptr, "close");
  Settle();
  EXPECT_FALSE(IsZoomed(window_));
  EXPECT_TRUE(IsWindow(window_));
}

TEST_F(ExamplePluginTest, SettingsDialogChoosesTheActionOfAnEmptyValue) {
  {
    const TWindowShownWatch chooser("#32770", "ウィンドウ操作の設定", [](HWND dialog) {
      SendDlgItemMessageA(dialog, 101, CB_SETCURSEL, 1, 0);  // "maximize (最大化)"
      PostMessageA(dialog, WM_COMMAND, IDOK, 0);
    });
    Export<VakroShowDialogProc>(library_, "vakroShowDialog")(nullptr, folder_.c_str());
    EXPECT_TRUE(chooser.Fired());
  }
  EXPECT_NE(ReadBytes(folder_ + "window_action.ini").find("DefaultAction=maximize"), std::string::npos);
  execute_(window_, "");
  EXPECT_TRUE(PumpUntil([&] { return IsZoomed(window_) != 0; }));
}

}  // namespace
