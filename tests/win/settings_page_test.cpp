// The settings page through its real controls on a hidden window, and the start-up shortcut
// in a folder of the test's own.
#include <windows.h>
#include <objidl.h>
#include <shlguid.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "data/key_manager.h"
#include "engine/key_display.h"
#include "data/key_name_manager.h"
#include "data/setting.h"
#include "plugins/plugin_manager.h"
#include "shell/shell_object.h"
#include "tests/test_support.h"
#include "toolkit/command_map.h"
#include "toolkit/controls.h"
#include "toolkit/dpi.h"
#include "toolkit/handles.h"
#include "ui/control_ids.h"
#include "ui/key_name_page.h"
#include "ui/key_page.h"
#include "ui/page_host.h"
#include "ui/plugin_page.h"
#include "ui/setting_page.h"
#include "ui/startup_shortcut.h"

namespace {

// The little a page asks of its window, without one.
class TFakePageHost : public TPageHost {
 public:
  TFakePageHost() = default;
  explicit TFakePageHost(int dpi) : scale_(dpi) {}
  HWND OwnerWindow() const override { return nullptr; }
  TCommandMap& Commands() override { return commands_; }
  const TScale& LayoutScale() const override { return scale_; }
  TKeyManager& KeyManager() override { return keys_; }
  TKeyNameManager& KeyNameManager() override { return names_; }
  TPluginManager& PluginManager() override { return plugins_; }
  void ShowPage(TPageIndex) override {}
  void ResetChord() override {}
  void BeginCapture() override {}
  void EndCapture() override {}
  void SetGuideStyle(const TGuideStyle& style) override { guideStyles_.push_back(style); }
  std::vector<TGuideStyle> guideStyles_;
  void KeyTextChanged(int) override {}

 private:
  TCommandMap commands_;
  TScale scale_;
  TKeyManager keys_;
  TKeyNameManager names_;
  TPluginManager plugins_{TPluginHost{}};
};

class SettingsPageTest : public ::testing::Test {
 protected:
  void SetUp() override {
    panel_ = CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 430, 400, nullptr, nullptr,
                             GetModuleHandleA(nullptr), nullptr);
    ASSERT_NE(panel_, nullptr);
    page_ = std::make_unique<TSettingPage>(owner_, panel_, nullptr);
  }
  void TearDown() override {
    page_.reset();
    DestroyWindow(panel_);
  }

  TFakePageHost owner_;
  HWND panel_ = nullptr;
  std::unique_ptr<TSettingPage> page_;
};

TSetting Changed() {
  TSetting setting;
  setting.ShowKeyView = false;
  setting.TextColor = 0x010203;
  setting.ProgColor = 0x040506;
  setting.BackColor = 0x070809;
  setting.TextColor2 = 0x0A0B0C;
  setting.ProgColor2 = 0x0D0E0F;
  setting.BackColor2 = 0x101112;
  setting.FontName = "Arial";
  setting.FontSize = 18;
  setting.FontStyle = kFontItalic | kFontStrikeOut;
  setting.StartUp = false;
  setting.EdgeColor = 0x131415;
  setting.KeyViewPos = 3;
  setting.HideCursor = false;
  setting.KeyViewDelay = 300;
  setting.SequenceTimeout = 60000;
  return setting;
}

void ExpectSame(const TSetting& a, const TSetting& b) {
  EXPECT_EQ(a.ShowKeyView, b.ShowKeyView);
  EXPECT_EQ(a.TextColor, b.TextColor);
  EXPECT_EQ(a.ProgColor, b.ProgColor);
  EXPECT_EQ(a.BackColor, b.BackColor);
  EXPECT_EQ(a.TextColor2, b.TextColor2);
  EXPECT_EQ(a.ProgColor2, b.ProgColor2);
  EXPECT_EQ(a.BackColor2, b.BackColor2);
  EXPECT_EQ(a.FontName, b.FontName);
  EXPECT_EQ(a.FontSize, b.FontSize);
  EXPECT_EQ(a.FontStyle, b.FontStyle);
  EXPECT_EQ(a.StartUp, b.StartUp);
  EXPECT_EQ(a.EdgeColor, b.EdgeColor);
  EXPECT_EQ(a.KeyViewPos, b.KeyViewPos);
  EXPECT_EQ(a.HideCursor, b.HideCursor);
  EXPECT_EQ(a.KeyViewDelay, b.KeyViewDelay);
  EXPECT_EQ(a.SequenceTimeout, b.SequenceTimeout);
}

TEST_F(SettingsPageTest, EverySettingGoesThroughTheControlsAndBack) {
  for (const TSetting& original : {TSetting(), Changed()}) {
    page_->LoadFrom(original);
    TSetting copy;
    copy.FontStyle = kFontBold | kFontUnderline;  // every member is overwritten
    page_->SaveTo(copy);
    ExpectSame(copy, original);
  }
}

TEST_F(SettingsPageTest, FontKeepsWhatTheSettingsDoNotStore) {
  page_->LoadFrom(Changed());
  const LOGFONTA font = page_->GuideStyle().font;
  EXPECT_STREQ(font.lfFaceName, "Arial");
  EXPECT_EQ(font.lfCharSet, SHIFTJIS_CHARSET);
  EXPECT_TRUE(font.lfItalic);
  EXPECT_TRUE(font.lfStrikeOut);
  EXPECT_FALSE(font.lfUnderline);
  EXPECT_EQ(font.lfWeight, FW_NORMAL);
}

// A new position reaches the guide at once, with the colours and the font the page shows beside it.
TEST_F(SettingsPageTest, PositionChosenGivesTheGuideTheWholeStyleAtOnce) {
  page_->LoadFrom(Changed());
  ASSERT_TRUE(owner_.guideStyles_.empty());
  HWND positions = GetDlgItem(panel_, kKeyViewPosId);
  SendMessageA(positions, CB_SETCURSEL, 4, 0);
  LRESULT result = 0;
  ASSERT_TRUE(owner_.Commands().Dispatch(WM_COMMAND, MAKEWPARAM(kKeyViewPosId, CBN_SELCHANGE),
                                         reinterpret_cast<LPARAM>(positions), result));
  ASSERT_EQ(owner_.guideStyles_.size(), 1u);
  const TGuideStyle& given = owner_.guideStyles_[0];
  const TGuideStyle stored = GuideStyleOf(Changed());
  EXPECT_EQ(given.position, 4);
  EXPECT_EQ(std::memcmp(&given.palette, &stored.palette, sizeof given.palette), 0);
  EXPECT_STREQ(given.font.lfFaceName, "Arial");
  EXPECT_EQ(given.font.lfHeight, stored.font.lfHeight);
}

// A save while the page was never built gives what a load into the page and a save from it give.
TEST_F(SettingsPageTest, PositionOutsideTheListLeavesNoSelectionAndSavesMinusOne) {
  for (int8_t position : {int8_t{5}, int8_t{-1}, int8_t{-128}, int8_t{100}}) {
    TSetting setting;
    setting.KeyViewPos = position;
    page_->LoadFrom(setting);
    TSetting saved;
    page_->SaveTo(saved);
    EXPECT_EQ(saved.KeyViewPos, -1) << int(position);
    TSetting passed = setting;
    TSettingPage::PassThrough(passed);
    ExpectSame(passed, saved);
  }
}

TEST_F(SettingsPageTest, SaveWithoutThePageChangesTheFontAsThePageWould) {
  for (int32_t size : {-5, 0, 1, 7, 13, 400}) {
    TSetting setting = Changed();
    setting.FontSize = size;
    setting.FontStyle = 0xFF;
    setting.FontName = std::string(40, 'n');
    page_->LoadFrom(setting);
    TSetting saved;
    page_->SaveTo(saved);
    TSetting passed = setting;
    TSettingPage::PassThrough(passed);
    ExpectSame(passed, saved);
  }
}

// The programs page on a hidden window, driven through its controls as the user drives them.
class KeyPageTest : public ::testing::Test {
 protected:
  void SetUp() override {
    window_.Reset(CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 430, 400, nullptr, nullptr,
                                  GetModuleHandleA(nullptr), nullptr));
    panel_ = CreatePanel(window_.Get(), {0, 0, 422, 390}, host_.Commands());
    page_ = std::make_unique<TKeyPage>(host_, panel_, nullptr);
  }
  // The controls go first, while the page their handlers call is still there.
  void TearDown() override {
    window_.Reset();
    page_.reset();
  }

  HWND Control(WORD id) const { return Descendant(panel_, id); }
  static HWND Descendant(HWND parent, WORD id) {
    if (HWND direct = GetDlgItem(parent, id)) return direct;
    for (HWND child = GetWindow(parent, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
      if (HWND found = Descendant(child, id)) return found;
    return nullptr;
  }
  void Notify(WORD id, WORD code) {
    HWND control = Control(id);
    SendMessageA(GetParent(control), WM_COMMAND, MAKEWPARAM(id, code), reinterpret_cast<LPARAM>(control));
  }
  void Click(WORD id) {
    if ((GetWindowLongA(Control(id), GWL_STYLE) & BS_TYPEMASK) == BS_AUTOCHECKBOX)
      SetChecked(Control(id), !IsChecked(Control(id)));
    Notify(id, BN_CLICKED);
  }
  void Choose(const char* action) {
    SendMessageA(Control(kActionId), CB_SELECTSTRING, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(action));
    Notify(kActionId, CBN_SELCHANGE);
  }
  std::string Chosen() const {
    char text[64] = {};
    SendMessageA(Control(kActionId), CB_GETLBTEXT, SendMessageA(Control(kActionId), CB_GETCURSEL, 0, 0),
                 reinterpret_cast<LPARAM>(text));
    return text;
  }
  std::string Text(WORD id) const { return GetControlText(Control(id)); }
  void SelectRow(int row) {
    page_->FillList();
    ListView_SetItemState(Control(kKeyListId), row, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
  }
  // The enabled state of raise and minimise.
  std::pair<bool, bool> OptionsEnabled() const {
    return {IsWindowEnabled(Control(kRaiseId)) != 0, IsWindowEnabled(Control(kMinimizeId)) != 0};
  }

  TFakePageHost host_;
  TOwnedWindow window_;
  HWND panel_ = nullptr;
  std::unique_ptr<TKeyPage> page_;
};

TEST_F(KeyPageTest, ActionChoiceFillsThePathBoxAndFollowsAHandEdit) {
  SetControlText(Control(kPathId), "C:\\tools\\x.exe");
  EXPECT_EQ(Chosen(), "起動");
  Choose("文字入力");
  EXPECT_EQ(Text(kPathId), "$text");
  SetControlText(Control(kPathId), "$VolumeDown");
  EXPECT_EQ(Chosen(), "音量を下げる");
  SetControlText(Control(kPathId), "$macro");
  EXPECT_EQ(Chosen(), "プラグイン");
  Choose("起動");
  EXPECT_EQ(Text(kPathId), "");
}

// Loaded, the codes show as key names; leaving key sending puts the codes back in the box.
TEST_F(KeyPageTest, KeysToSendShowByNameWhileTheEntrySendsKeys) {
  host_.KeyManager().Add({"000029", "000031"}, "$keys", "000029,000030 001083", "", "keys", "Ctrl+S", false);
  SelectRow(0);
  const TKeyNameManager* names = &host_.KeyNameManager();
  EXPECT_EQ(Text(kArgumentsId), KeyDisplayNameOfCode("000029", names) + "+" +
                                    KeyDisplayNameOfCode("000030", names) + ", " +
                                    KeyDisplayNameOfCode("001083", names));
  EXPECT_EQ(Chosen(), "キー送信");
  EXPECT_TRUE(GetWindowLongA(Control(kArgumentsId), GWL_STYLE) & ES_READONLY);
  EXPECT_TRUE(GetWindowLongA(Control(kKeysResetId), GWL_STYLE) & WS_VISIBLE);
  Choose("文字入力");
  EXPECT_EQ(Text(kArgumentsId), "000029,000030 001083");
  EXPECT_FALSE(GetWindowLongA(Control(kArgumentsId), GWL_STYLE) & ES_READONLY);
  EXPECT_FALSE(GetWindowLongA(Control(kKeysResetId), GWL_STYLE) & WS_VISIBLE);
}

// Only raise and minimise change; the other option words keep their places.
TEST_F(KeyPageTest, RaiseOptionsAreAProgramsAndKeepTheOtherOptionWords) {
  TKeyInfo* info = host_.KeyManager().Add({"000029", "000031"}, "notepad.exe", "", "", "n", "Ctrl+S", false);
  info->SetOptions({"sequence", "raise", "shiny"});
  SelectRow(0);
  EXPECT_TRUE(IsChecked(Control(kRaiseId)));
  EXPECT_FALSE(IsChecked(Control(kMinimizeId)));
  EXPECT_EQ(OptionsEnabled(), std::make_pair(true, true));
  Click(kMinimizeId);
  Click(kUpdateId);
  const TKeyInfo& stored = *host_.KeyManager().Get(0);
  EXPECT_EQ(stored.Options(), (TTextList{"sequence", "raise", "shiny", "minimize"}));
  Click(kRaiseId);
  EXPECT_EQ(OptionsEnabled(), std::make_pair(true, false));
  Click(kUpdateId);
  EXPECT_EQ(stored.Options(), (TTextList{"sequence", "shiny"}));
  // A "$" entry runs no program: both boxes off, and nothing stored whatever they show.
  Click(kRaiseId);
  Choose("消音");
  EXPECT_EQ(OptionsEnabled(), std::make_pair(false, false));
  Click(kUpdateId);
  EXPECT_EQ(stored.Options(), (TTextList{"sequence", "shiny"}));
}

std::string LinkTarget(const std::string& link) {
  CoInitialize(nullptr);
  std::string target;
  IShellLinkA* shellLink = nullptr;
  if (SUCCEEDED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                 reinterpret_cast<void**>(&shellLink)))) {
    IPersistFile* file = nullptr;
    if (SUCCEEDED(shellLink->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file)))) {
      wchar_t wide[MAX_PATH] = {};
      MultiByteToWideChar(CP_ACP, 0, link.c_str(), -1, wide, MAX_PATH);
      char path[MAX_PATH] = {};
      if (SUCCEEDED(file->Load(wide, STGM_READ)) &&
          SUCCEEDED(shellLink->GetPath(path, MAX_PATH, nullptr, 0)))
        target = path;
      file->Release();
    }
    shellLink->Release();
  }
  CoUninitialize();
  return target;
}

std::string ThisProgram() {
  char path[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, path, sizeof path);
  return path;
}

// What of a control's caption does not fit it, measured in the control's own font: empty when
// it all shows.
std::string CaptionOverflow(HWND control, int dpi) {
  char className[32] = {};
  GetClassNameA(control, className, sizeof className);
  const std::string text = GetControlText(control);
  const LONG style = GetWindowLongA(control, GWL_STYLE);
  if (text.empty() || (std::strcmp(className, "Static") != 0 && std::strcmp(className, "Button") != 0))
    return {};
  if (std::strcmp(className, "Button") == 0 && (style & BS_TYPEMASK) == BS_GROUPBOX) return {};
  HFONT font = reinterpret_cast<HFONT>(SendMessageA(control, WM_GETFONT, 0, 0));
  RECT client;
  GetClientRect(control, &client);
  const SIZE line = TextLineSize(control, font, text);
  int needed = line.cx;
  if (std::strcmp(className, "Button") == 0 && (style & BS_TYPEMASK) == BS_AUTOCHECKBOX)
    needed += SystemMetricForDpi(SM_CXMENUCHECK, dpi);
  if (client.bottom >= 2 * line.cy) {
    // A label of several lines wraps its text: all of it must fit its height.
    const TWindowDC dc(control);
    const TSelection selection(dc.Get(), font);
    RECT wrapped = {0, 0, client.right, 0};
    DrawTextA(dc.Get(), text.c_str(), static_cast<int>(text.size()), &wrapped,
              DT_CALCRECT | DT_WORDBREAK);
    if (wrapped.bottom <= client.bottom) return {};
    return text + ": " + std::to_string(wrapped.bottom) + " high in " + std::to_string(client.bottom);
  }
  if (needed <= client.right) return {};
  return text + ": " + std::to_string(needed) + " wide in " + std::to_string(client.right);
}

BOOL CALLBACK CollectOverflow(HWND control, LPARAM found) {
  auto& list = *reinterpret_cast<std::vector<std::string>*>(found);
  std::string overflow = CaptionOverflow(control, static_cast<int>(GetWindowLongPtrA(
                                                      GetAncestor(control, GA_ROOT), GWLP_USERDATA)));
  if (!overflow.empty()) list.push_back(overflow);
  return TRUE;
}

TEST(PageLayout, EveryCaptionShowsWholeAtEachDisplayScale) {
  for (int dpi : {96, 120, 144}) {
    TFakePageHost host(dpi);
    const TScale& scale = host.LayoutScale();
    const TFont font(CreateFontA(-scale.Px(12), 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE,
                                 SHIFTJIS_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS,
                                 DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE, "MS UI Gothic"));
    // The four pages on panels of the size the settings window gives them.
    std::vector<TOwnedWindow> panels;
    for (int i = 0; i < 4; ++i) {
      panels.emplace_back(CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, scale.Px(422),
                                          scale.Px(390), nullptr, nullptr,
                                          GetModuleHandleA(nullptr), nullptr));
      SetWindowLongPtrA(panels.back().Get(), GWLP_USERDATA, dpi);
    }
    TKeyPage keyPage(host, panels[0].Get(), font.Get());
    TKeyNamePage keyNamePage(host, panels[1].Get(), font.Get());
    TPluginPage pluginPage(host, panels[2].Get(), font.Get());
    TSettingPage settingPage(host, panels[3].Get(), font.Get());
    std::vector<std::string> overflows;
    for (const TOwnedWindow& panel : panels)
      EnumChildWindows(panel.Get(), CollectOverflow, reinterpret_cast<LPARAM>(&overflows));
    for (const std::string& overflow : overflows) ADD_FAILURE() << dpi << " DPI: " << overflow;
  }
}

TEST(StartupShortcut, CreatedWhenWantedRemovedWhenNot) {
  const std::string folder = ScratchFolder();
  const std::string link = StartupLinkPath(folder);
  EXPECT_EQ(link, folder + "Vakro.lnk");
  EXPECT_EQ(StartupLinkPath("C:\\Startup"), "C:\\Startup\\Vakro.lnk");
  int messages = 0;
  TShellObject shell([&](HWND, const char*, const char*, UINT) { return ++messages, IDOK; });

  AlignStartupShortcut(folder, false, ThisProgram(), shell);
  EXPECT_EQ(GetFileAttributesA(link.c_str()), INVALID_FILE_ATTRIBUTES);
  AlignStartupShortcut(folder, true, ThisProgram(), shell);
  EXPECT_EQ(LinkTarget(link), ThisProgram());
  AlignStartupShortcut(folder, false, ThisProgram(), shell);
  EXPECT_EQ(GetFileAttributesA(link.c_str()), INVALID_FILE_ATTRIBUTES);
  EXPECT_EQ(messages, 0);
}

TEST(StartupShortcut, ExistingFileIsNeitherCheckedNorReplaced) {
  const std::string folder = ScratchFolder();
  const std::string link = StartupLinkPath(folder);
  WriteBytes(link, "not a shortcut");
  TShellObject shell([](HWND, const char*, const char*, UINT) { return IDOK; });
  AlignStartupShortcut(folder, true, ThisProgram(), shell);
  EXPECT_EQ(ReadBytes(link), "not a shortcut");
}

TEST(StartupShortcut, NoStartupFolderTouchesNothing) {
  EXPECT_EQ(StartupLinkPath(""), "");
  int messages = 0;
  TShellObject shell([&](HWND, const char*, const char*, UINT) { return ++messages, IDOK; });
  AlignStartupShortcut("", true, ThisProgram(), shell);
  EXPECT_EQ(messages, 0);
  EXPECT_EQ(GetFileAttributesA("\\Vakro.lnk"), INVALID_FILE_ATTRIBUTES);
}

}  // namespace
