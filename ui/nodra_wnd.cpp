#include "ui/nodra_wnd.h"

#include <commctrl.h>
#include <shlobj.h>

#include "data/chord.h"
#include "data/platform.h"
#include "engine/key_guide.h"
#include "engine/key_view_wnd.h"
#include "shell/shell_object.h"
#include "toolkit/application.h"
#include "toolkit/controls.h"
#include "toolkit/dpi.h"
#include "toolkit/file_version.h"
#include "toolkit/grey_icon.h"
#include "toolkit/message_box.h"
#include "toolkit/program_path.h"
#include "toolkit/tray_icon.h"
#include "ui/control_ids.h"
#include "ui/find_box.h"
#include "ui/key_name_page.h"
#include "ui/key_page.h"
#include "ui/plugin_page.h"
#include "ui/setting_page.h"
#include "ui/startup_shortcut.h"
#include "ui/window_placement.h"

namespace {

const int kClientWidth = 430;
const int kClientHeight = 466;  // the programs page's entry grew by the row of a program's options
const int kButtonBarHeight = 28;
const DWORD kStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;
const DWORD kExStyle = WS_EX_CONTROLPARENT;
// How long the data folder stays quiet before its files are looked at: an editor or a sync
// tool writing a file in steps is done by then.
const UINT_PTR kDataSettleTimer = 1;
const UINT kDataSettleMs = 300;

}  // namespace

TNodraWnd::TNodraWnd() = default;

TNodraWnd::~TNodraWnd() {
  // The pages' controls go first, while the pages their handlers call are still there.
  for (HWND page : pages_)
    if (page) DestroyWindow(page);
  keyPage_.reset();
  keyNamePage_.reset();
  pluginPage_.reset();
  settingPage_.reset();
  keyView_.reset();
  TTrayIcon::Set(Handle(), icon_, false);
  setting_.reset();
  keyManager_.reset();
  keyNameManager_.reset();
  pluginManager_.reset();
}

bool TNodraWnd::Create() {
  HINSTANCE instance = GetModuleHandleA(nullptr);
  icon_ = LoadIconA(instance, MAKEINTRESOURCEA(1));
  if (!CreateWindowObject("TNodraWnd", "Vakro", kStyle, kExStyle, CW_USEDEFAULT, CW_USEDEFAULT,
                          0, 0, nullptr, GetSysColorBrush(COLOR_BTNFACE), icon_))
    return false;
  scale_ = WindowScale(Handle());
  const SIZE frame = FrameSizeForClient(scale_.Px(kClientWidth), scale_.Px(kClientHeight),
                                        kStyle, kExStyle, scale_.Dpi());
  SetWindowPos(Handle(), nullptr, 0, 0, frame.cx, frame.cy,
               SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  CreateObjects();
  // The window's own buttons answer by id too: a command posted for one before the window first
  // shows and makes its controls still counts.
  commands_.OnClickId(kHelpId, [this] { btnHelpClick(); });
  commands_.OnClickId(kOKId, [this] { btnOKClick(); });
  commands_.OnClickId(kCloseId, [this] { btnCloseClick(); });

  keyView_ = std::make_unique<TKeyViewWnd>();
  if (!keyView_->Create()) {
    ShowError(nullptr, "キーガイドウィンドウを作成できません。Vakro を終了します。");
    return false;
  }
  keyView_->SetCollaborators(keyManager_.get(), setting_.get(), keyNameManager_.get(),
                             pluginManager_.get());
  keyView_->IsSettingsVisible = [this] { return SettingsOnScreen(); };
  keyView_->IsCapturing = [this] { return SettingsOnScreen() && FocusedCapturePage(); };
  keyView_->OnKeyCapture = [this](TKeyViewWnd*, UINT key, LPARAM flags) { CaptureKey(key, flags); };
  keyView_->OnFinderReply = [this](TKeyViewWnd*, HWND target, const std::string& path,
                                   const std::string& commandLine) {
    if (keyPage_) keyPage_->FindModuleResult(target, path, commandLine);
  };
  keyView_->ShowSettings = [this] { ShowSettings(false); };
  keyView_->OnPauseChanged = [this](bool paused) { ShowPauseState(paused); };
  ShowWindow(keyView_->Handle(), SW_SHOWNA);
  ShowWindow(keyView_->Handle(), SW_HIDE);

  TTrayIcon::Set(Handle(), icon_, true);
  DragAcceptFiles(Handle(), TRUE);
  MakeDataFolder();
  LoadAll();
  keyView_->RefreshLeaders();  // the first key may already begin a sequence
  StartDataWatch();
  if (keyManager_->Count() == 0) ShowSettings(false);
  SetVersionCaption();
  Application.SetDialogWindow(Handle());
  Application.SetDialogKeyFilter([this](const MSG& message) { return OnDialogKey(message); });
  Application.SetOnIdle([this] { OnIdle(); });
  if (!keyView_->HotKeysStarted())
    ShowError(Handle(), "キーボードフックを開始できません。ホットキーは使えません。");
  return true;
}

void TNodraWnd::CreateObjects() {
  setting_ = std::make_unique<TSetting>();
  keyManager_ = std::make_unique<TKeyManager>();
  keyNameManager_ = std::make_unique<TKeyNameManager>();
  pluginManager_ = std::make_unique<TPluginManager>(TPluginHost{
      [](const std::function<void()>& work) { Application.RunOnMainThread(work); },
      [](const std::string& text) { ShowError(nullptr, text); }});
}

// Most users open the settings window rarely: its controls (about ninety windows) and the
// common controls library are made the first time it shows, and the pages then take the data
// loaded at start.
void TNodraWnd::BuildPages() {
  if (pgcMain_) return;
  INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_WIN95_CLASSES | ICC_TAB_CLASSES};
  InitCommonControlsEx(&controls);
  CreateControls();
  keyPage_->FillList();
  keyNamePage_->FillList();
  pluginPage_->FillList();
  settingPage_->LoadFrom(*setting_);
}

HFONT TNodraWnd::MakeFont() {
  font_.Reset(CreateFontA(-scale_.Px(12), 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE,
                          SHIFTJIS_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS,
                          DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE, "MS UI Gothic"));
  SendMessageA(Handle(), WM_SETFONT, reinterpret_cast<WPARAM>(font_.Get()), FALSE);
  return font_.Get();
}

void TNodraWnd::CreateControls() {
  HFONT font = MakeFont();
  const TScale& s = scale_;
  const int clientWidth = s.Px(kClientWidth);
  const int pagesHeight = s.Px(kClientHeight - kButtonBarHeight);
  pgcMain_ = CreateTabs(Handle(), {0, 0, clientWidth, pagesHeight}, font, kPagesId,
                        {"プログラム", "キーの名前", "プラグイン", "設定"});
  commands_.OnNotify(pgcMain_, TCN_SELCHANGE, [this](NMHDR&) {
    ShowPage(ActivePage());
    return 0;
  });
  RECT area = {0, 0, clientWidth, pagesHeight};
  SendMessageA(pgcMain_, TCM_ADJUSTRECT, FALSE, reinterpret_cast<LPARAM>(&area));
  for (HWND& page : pages_) {
    const TControlPlace place = {area.left, area.top, area.right - area.left,
                                 area.bottom - area.top};
    page = CreatePanel(Handle(), place, commands_);
    ShowWindow(page, SW_HIDE);
  }
  // The page control lies below its pages, which would otherwise be clipped away under it;
  // its tabs then come last in the tab order.
  SetWindowPos(pgcMain_, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  keyPage_ = std::make_unique<TKeyPage>(*this, pages_[kKeyPage], font);
  keyNamePage_ = std::make_unique<TKeyNamePage>(*this, pages_[kKeyNamePage], font);
  pluginPage_ = std::make_unique<TPluginPage>(*this, pages_[kPluginPage], font);
  settingPage_ = std::make_unique<TSettingPage>(*this, pages_[kSettingPage], font);
  ShowPage(kKeyPage);

  const int barTop = kClientHeight - kButtonBarHeight + 4;
  CreateButton(Handle(), "ヘルプ", s.Place({8, barTop, 88, 21}), font, kHelpId);
  CreateButton(Handle(), "OK", s.Place({246, barTop, 88, 21}), font, kOKId);
  CreateButton(Handle(), "終了", s.Place({338, barTop, 88, 21}), font, kCloseId);
}

void TNodraWnd::ShowPage(TPageIndex index) {
  SendMessageA(pgcMain_, TCM_SETCURSEL, index, 0);
  for (int i = 0; i < 4; ++i) ShowWindow(pages_[i], i == index ? SW_SHOW : SW_HIDE);
}

TPageIndex TNodraWnd::ActivePage() const {
  return static_cast<TPageIndex>(SendMessageA(pgcMain_, TCM_GETCURSEL, 0, 0));
}

void TNodraWnd::ResetChord() {
  if (keyView_) keyView_->ResetChord();
}

void TNodraWnd::BeginCapture() { keyView_->BeginCapture(); }

void TNodraWnd::EndCapture() { keyView_->EndCapture(); }

void TNodraWnd::SetGuideStyle(const TGuideStyle& style) { keyView_->SetGuideStyle(style); }

void TNodraWnd::KeyTextChanged(int index) { keyPage_->ShowKeyText(index); }

TPage* TNodraWnd::Page(int index) const {
  switch (index) {
    case kKeyPage: return keyPage_.get();
    case kKeyNamePage: return keyNamePage_.get();
    case kPluginPage: return pluginPage_.get();
    case kSettingPage: return settingPage_.get();
    default: return nullptr;
  }
}

// A box takes the keys only while the settings window is in front: a click elsewhere moves the
// foreground at once, and whether this thread hears of its deactivation before the reports of
// keys typed just after is not documented. Those keys are the other window's.
TCapturePage* TNodraWnd::FocusedCapturePage() const {
  HWND focus = GetFocus();
  if (!focus || !keyPage_) return nullptr;  // the pages are made when the window first shows
  if (GetForegroundWindow() != Handle()) return nullptr;
  if (keyPage_->IsCaptureBox(focus)) return keyPage_.get();
  if (keyNamePage_->IsCaptureBox(focus)) return keyNamePage_.get();
  return nullptr;
}

void TNodraWnd::CaptureKey(UINT virtualKey, LPARAM keystrokeFlags) {
  const uint32_t flags = static_cast<uint32_t>(keystrokeFlags);
  ctrlKeys_.Update(virtualKey, flags);
  TCapturePage* page = FocusedCapturePage();
  if (!page) return;
  if (IsReleaseFlags(flags)) page->CaptureRelease(virtualKey, keystrokeFlags);
  else if (IsCtrlBackspace(ctrlKeys_, virtualKey, flags)) page->ResetCapture();
  else page->CaptureKey(virtualKey, keystrokeFlags);
}

void TNodraWnd::OnIdle() {
  for (int i = 0; i < 4; ++i)
    if (TPage* page = Page(i)) page->OnIdle();
}

void TNodraWnd::MakeDataFolder() {
  std::string folder = TShellObject().GetSpecialFolderPath(CSIDL_APPDATA);
  if (folder.empty() || folder.back() != '\\') folder += '\\';
  dataFolder_ = folder + "Vakro\\";
  SHCreateDirectoryExA(nullptr, dataFolder_.c_str(), nullptr);
  if (!platform::FolderExists(dataFolder_))
    ShowError(Handle(), "データフォルダ「" + dataFolder_ + "」を作成できません。設定は保存されません。");
}

void TNodraWnd::LoadAll() {
  MakeDataFiles();
  pluginManager_->dataFolder = dataFolder_;
  for (TDataFile file : {kSettingFile, kKeyFile, kNameFile, kPluginFile}) LoadDataFile(file);
  // The pages are made, and take the data, when the window first shows.
  keyView_->SetGuideStyle(GuideStyleOf(*setting_));
}

void TNodraWnd::SetVersionCaption() {
  char caption[256] = {};
  GetWindowTextA(Handle(), caption, sizeof caption);
  std::string text = std::string(caption) + " " + GetFileVersion();
  SetWindowTextA(Handle(), text.c_str());
  Application.SetTitle(text.c_str());
}

// The data files, their messages and how each is read and written.
void TNodraWnd::MakeDataFiles() {
  std::vector<TDataFileEntry> entries = {
      DataFileOf("keydata.dat", "キー情報の読み込みに失敗。", "キー情報の保存に失敗。", *keyManager_),
      DataFileOf("keyname.dat", "キー名称情報の読み込みに失敗。", "キー名称情報の保存に失敗。",
                 *keyNameManager_),
      DataFileOf("plugin.dat", "プラグインデータの読み込みに失敗。", "プラグインデータの保存に失敗。",
                 *pluginManager_),
      SettingDataFileOf("vakro.dat", *setting_)};
  dataFiles_ = std::make_unique<TDataFiles>(dataFolder_, std::move(entries));
}

bool TNodraWnd::LoadDataFile(TDataFile file) {
  const bool ok = dataFiles_->Load(file);
  if (!ok && dataFiles_->LoadError(file)) ShowError(Handle(), dataFiles_->LoadError(file));
  return ok;
}

void TNodraWnd::StartDataWatch() {
  dataWatch_.Reset(FindFirstChangeNotificationA(
      dataFolder_.c_str(), FALSE,
      FILE_NOTIFY_CHANGE_FILE_NAME | FILE_NOTIFY_CHANGE_SIZE | FILE_NOTIFY_CHANGE_LAST_WRITE));
  if (dataWatch_) Application.SetWaitHandle(dataWatch_.Get(), [this] { DataFolderChanged(); });
}

void TNodraWnd::DataFolderChanged() {
  if (!FindNextChangeNotification(dataWatch_.Get())) {
    Application.SetWaitHandle(nullptr, nullptr);  // a watch that cannot go on stops waking us
    dataWatch_.Reset();
  }
  SetTimer(Handle(), kDataSettleTimer, kDataSettleMs, nullptr);
}

void TNodraWnd::ExamineDataFiles() {
  KillTimer(Handle(), kDataSettleTimer);
  const bool take = !Visible();
  bool reloaded = false;
  bool settingsReloaded = false;
  for (TDataFile file : {kSettingFile, kKeyFile, kNameFile, kPluginFile}) {
    if (dataFiles_->Examine(file, take) != TDiskChange::kReloaded) continue;
    reloaded = true;
    settingsReloaded = settingsReloaded || file == kSettingFile;
  }
  if (reloaded) ShowReloadedData(settingsReloaded);
}

// A half-typed chord ends with its withheld keys delivered; the pages, made or not, show what
// was taken in when they next show.
void TNodraWnd::ShowReloadedData(bool settingsReloaded) {
  ResetChord();
  if (settingsReloaded) keyView_->SetGuideStyle(GuideStyleOf(*setting_));
  if (!pgcMain_) return;
  keyPage_->RefillUnselected();
  keyNamePage_->FillList();
  pluginPage_->FillList();
  if (settingsReloaded) settingPage_->LoadFrom(*setting_);
}

bool TNodraWnd::OnDialogKey(const MSG& message) {
  if (!pgcMain_) return false;
  const bool ctrl = (GetKeyState(VK_CONTROL) & 0x8000) != 0;
  const bool alt = (GetKeyState(VK_MENU) & 0x8000) != 0;
  if (message.wParam == 'F' && ctrl && !alt) {
    if (ActivePage() != kKeyNamePage) ShowPage(kKeyPage);
    HWND box = ActivePage() == kKeyNamePage ? keyNamePage_->FindBox().Edit() : keyPage_->FindBox().Edit();
    SetFocus(box);
    SendMessageA(box, EM_SETSEL, 0, -1);
    return true;
  }
  if (message.wParam != VK_ESCAPE) return false;
  for (TFindBox* box : {&keyPage_->FindBox(), &keyNamePage_->FindBox()}) {
    if (message.hwnd != box->Edit()) continue;
    box->Clear();
    return true;
  }
  return false;
}

bool TNodraWnd::SaveDataFile(TDataFile file) {
  if (file == kSettingFile) SaveSettingControls();
  // An edit made on disk since the last look is kept as ".bak" before this save replaces it.
  dataFiles_->Examine(file, false);
  const bool ok = dataFiles_->Save(file);
  if (!ok && dataFiles_->SaveError(file)) ShowError(Handle(), dataFiles_->SaveError(file));
  return ok;
}

// What the settings page shows goes into the settings, and the start-up shortcut follows them.
void TNodraWnd::SaveSettingControls() {
  if (settingPage_) settingPage_->SaveTo(*setting_);
  else TSettingPage::PassThrough(*setting_);
  AlignStartupShortcut(TShellObject().GetSpecialFolderPath(CSIDL_STARTUP), setting_->StartUp,
                       ProgramPath(), TShellObject());
}

void TNodraWnd::SaveAll() {
  for (TDataFile file : {kKeyFile, kNameFile, kPluginFile, kSettingFile}) SaveDataFile(file);
}

// A minimised settings window takes no keys (however it was minimised), so hot keys work then.
bool TNodraWnd::SettingsOnScreen() const { return Visible() && !IsIconic(Handle()); }

void TNodraWnd::ShowSettings(bool toForeground) {
  if (IsIconic(Handle())) ShowWindow(Handle(), SW_RESTORE);
  ShowWindow(Handle(), SW_SHOW);
  if (toForeground) SetForegroundWindow(Handle());
}

namespace {

// Where the shell's taskbar is: the taskbar window's own rectangle when there is one (some
// shells answer the app-bar query with a one-pixel strip), else the shell's answer.
TPlacementRect TaskbarRect() {
  RECT rect = {};
  HWND taskbarWindow = FindWindowA("Shell_TrayWnd", nullptr);
  if (!taskbarWindow || !GetWindowRect(taskbarWindow, &rect) || IsRectEmpty(&rect)) {
    APPBARDATA taskbar = {};
    taskbar.cbSize = sizeof taskbar;
    SHAppBarMessage(ABM_GETTASKBARPOS, &taskbar);
    rect = taskbar.rc;
  }
  return {rect.left, rect.top, rect.right, rect.bottom};
}

}  // namespace

// The window opens on the monitor of the cursor: in the bottom-right corner of its work area,
// or where the user last put it.
void TNodraWnd::FormShow() {
  ResetChord();
  // A Ctrl key released while the window was hidden never reached the capture.
  ctrlKeys_.Set((GetAsyncKeyState(VK_LCONTROL) & 0x8000) != 0,
                (GetAsyncKeyState(VK_RCONTROL) & 0x8000) != 0);
  POINT cursor;
  GetCursorPos(&cursor);
  const TMonitorArea monitor = MonitorOfPoint(DisplayMonitors(), {cursor.x, cursor.y});
  const TPlacementRect work = WorkAreaBesideTaskbar(monitor, TaskbarRect());
  // Onto that monitor first, so that the window takes its DPI before its size is known.
  if (monitor.dpi != scale_.Dpi())
    SetWindowPos(Handle(), nullptr, work.left, work.top, 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  RECT window;
  GetWindowRect(Handle(), &window);
  const TPlacementPoint at =
      SettingsWindowPlacement(work, monitor.dpi, window.right - window.left,
                              window.bottom - window.top, userPlace_);
  SetWindowPos(Handle(), nullptr, at.x, at.y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void TNodraWnd::SetIconsForDpi(int dpi) {
  HINSTANCE instance = GetModuleHandleA(nullptr);
  auto load = [&](int widthMetric, int heightMetric) {
    return static_cast<HICON>(LoadImageA(instance, MAKEINTRESOURCEA(1), IMAGE_ICON,
                                         SystemMetricForDpi(widthMetric, dpi),
                                         SystemMetricForDpi(heightMetric, dpi), 0));
  };
  bigIcon_.Reset(load(SM_CXICON, SM_CYICON));
  smallIcon_.Reset(load(SM_CXSMICON, SM_CYSMICON));
  SendMessageA(Handle(), WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(bigIcon_.Get()));
  SendMessageA(Handle(), WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(smallIcon_.Get()));
}

void TNodraWnd::RememberUserPlace() {
  RECT window;
  GetWindowRect(Handle(), &window);
  HMONITOR handle = MonitorFromWindow(Handle(), MONITOR_DEFAULTTONEAREST);
  MONITORINFO info = {};
  info.cbSize = sizeof info;
  if (!GetMonitorInfoA(handle, &info)) return;
  const TMonitorArea monitor{ToPlacementRect(info.rcMonitor), ToPlacementRect(info.rcWork),
                             MonitorDpi(handle)};
  userPlace_ = UserPlaceIn(WorkAreaBesideTaskbar(monitor, TaskbarRect()), monitor.dpi,
                           {window.left, window.top});
}

// Moved to a monitor of another DPI: the pages and their font are laid out for it, and the
// window takes the rectangle the system suggests.
void TNodraWnd::OnDpiChanged(int dpi, const RECT& suggested) {
  const int before = scale_.Dpi();
  scale_ = TScale(dpi);
  if (pgcMain_ && dpi != before) RescaleChildren(Handle(), before, dpi, MakeFont());
  if (dpi != before) SetIconsForDpi(dpi);
  SetWindowPos(Handle(), nullptr, suggested.left, suggested.top, suggested.right - suggested.left,
               suggested.bottom - suggested.top, SWP_NOZORDER | SWP_NOACTIVATE);
}

void TNodraWnd::FormClose() {
  SaveAll();
  Application.Terminate();
}

void TNodraWnd::btnOKClick() {
  if (!SaveDataFile(kKeyFile)) return;
  ShowWindow(Handle(), SW_HIDE);
  SaveAll();
}

void TNodraWnd::btnCloseClick() { SendMessageA(Handle(), WM_CLOSE, 0, 0); }

void TNodraWnd::btnHelpClick() { TShellObject().Execute(ProgramFolder() + "vakro.chm"); }

// The first file dropped on the window: the plug-in page takes it as a plug-in's path, any other
// page makes it the program of the entry on the programs page.
void TNodraWnd::OnDropFiles(HDROP drop) {
  char path[MAX_PATH] = {};
  if (keyPage_ && DragQueryFileA(drop, 0, path, sizeof path) > 0) {
    if (ActivePage() == kPluginPage) {
      pluginPage_->SetPluginPath(path);
    } else {
      keyPage_->SetDroppedFile(path);
      ShowPage(kKeyPage);
    }
  }
  DragFinish(drop);
}

void TNodraWnd::OnTrayNotify(LPARAM mouseMessage) {
  if (mouseMessage == WM_LBUTTONDBLCLK) {
    ShowSettings(true);
  } else if (mouseMessage == WM_RBUTTONDOWN) {
    switch (TrackTrayMenu(Handle(), keyView_->Paused())) {
      case TTrayCommand::kShow: ShowSettings(false); break;
      case TTrayCommand::kPause: keyView_->SetPaused(!keyView_->Paused()); break;
      case TTrayCommand::kReset: ResetChord(); break;
      case TTrayCommand::kExit: btnCloseClick(); break;
      case TTrayCommand::kNone: break;
    }
  }
}

void TNodraWnd::ShowPauseState(bool paused) {
  if (paused && !pausedIcon_) pausedIcon_ = MakeGreyedIcon(icon_);
  HICON shown = paused && pausedIcon_ ? pausedIcon_.Get() : icon_;
  TTrayIcon::Change(Handle(), shown, paused ? "Vakro (一時停止中)" : "Vakro");
}

LRESULT TNodraWnd::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  if (LRESULT result; commands_.Dispatch(message, wParam, lParam, result)) return result;
  switch (message) {
    case WM_QUERYENDSESSION:
      SaveAll();
      return TRUE;
    case WM_SYSCOMMAND:
      // The system keeps its own bits in the low four: every close of this window hides it.
      if ((wParam & 0xFFF0) == SC_CLOSE) {
        ShowWindow(Handle(), SW_HIDE);
        return 0;
      }
      break;
    case WM_SHOWWINDOW:
      if (wParam) BuildPages();
      if (wParam) FormShow();
      else keyView_->RefreshLeadersSoon();
      break;
    case WM_ACTIVATE:
      // Back from minimised or from another window: whatever chord was half typed is over.
      if (LOWORD(wParam) != WA_INACTIVE) ResetChord();
      break;
    case WM_CLOSE:
      FormClose();
      return 0;
    case WM_TRAY_NOTIFY:
      OnTrayNotify(lParam);
      return 0;
    case WM_DROPFILES:
      OnDropFiles(reinterpret_cast<HDROP>(wParam));
      return 0;
    case WM_EXITSIZEMOVE:
      RememberUserPlace();
      break;
    case WM_TIMER:
      if (wParam != kDataSettleTimer) break;
      ExamineDataFiles();
      return 0;
    case WM_DPICHANGED:
      OnDpiChanged(LOWORD(wParam), *reinterpret_cast<const RECT*>(lParam));
      return 0;
    default:
      break;
  }
  return DefaultHandling(message, wParam, lParam);
}
