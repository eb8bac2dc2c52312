#include "ui/nodra_wnd.h"

#include <commctrl.h>
#include <shlobj.h>

#include "data/platform.h"
#include "engine/key_view_wnd.h"
#include "shell/shell_object.h"
#include "ui/application.h"
#include "ui/file_version.h"
#include "ui/message_box.h"
#include "ui/setting_font.h"
#include "ui/tray_icon.h"
#include "ui/window_placement.h"

TNodraWnd* NodraWnd = nullptr;
TKeyViewWnd* KeyViewWnd = nullptr;

namespace {

const int kClientWidth = 430;
const int kClientHeight = 444;
const int kButtonBarHeight = 28;

enum ControlId : WORD { idHelp = 101, idOK = 102, idClose = 103, idPages = 104 };
enum DataFileIndex { dfKeys, dfNames, dfPlugins, dfSetting };

const char* const kPageCaptions[] = {"プログラム", "キーの名前", "プラグイン", "設定"};

HWND CreateChild(const char* className, const char* text, DWORD style, int x, int y, int width,
                 int height, HWND parent, WORD id, HFONT font) {
  HWND child = CreateWindowExA(0, className, text, WS_CHILD | WS_VISIBLE | style, x, y, width,
                               height, parent, reinterpret_cast<HMENU>(static_cast<UINT_PTR>(id)),
                               GetModuleHandleA(nullptr), nullptr);
  SendMessageA(child, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
  return child;
}

}  // namespace

TNodraWnd::TNodraWnd() = default;

TNodraWnd::~TNodraWnd() {
  keyView_.reset();
  KeyViewWnd = nullptr;
  TTrayIcon::Set(Handle(), icon_, false);
  setting_.reset();
  capturedKeys_.clear();
  keyManager_.reset();
  keyNameManager_.reset();
  pluginManager_.reset();
  if (font_) DeleteObject(font_);
  NodraWnd = nullptr;
}

bool TNodraWnd::Create() {
  NodraWnd = this;
  HINSTANCE instance = GetModuleHandleA(nullptr);
  icon_ = LoadIconA(instance, MAKEINTRESOURCEA(1));
  const DWORD style = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_CLIPCHILDREN;
  RECT frame = {0, 0, kClientWidth, kClientHeight};
  AdjustWindowRectEx(&frame, style, FALSE, WS_EX_CONTROLPARENT);
  if (!CreateWindowObject("TNodraWnd", "Vakro", style, WS_EX_CONTROLPARENT, CW_USEDEFAULT,
                          CW_USEDEFAULT, frame.right - frame.left, frame.bottom - frame.top,
                          nullptr, GetSysColorBrush(COLOR_BTNFACE), icon_))
    return false;
  CreateControls();
  CreateObjects();

  keyView_ = std::make_unique<TKeyViewWnd>();
  keyView_->Create();
  KeyViewWnd = keyView_.get();
  keyView_->SetCollaborators(keyManager_.get(), setting_.get(), keyNameManager_.get(),
                             pluginManager_.get());
  keyView_->IsSettingsVisible = [this] { return Visible(); };
  keyView_->ShowSettings = [this] { ShowSettings(false); };
  ShowWindow(keyView_->Handle(), SW_SHOWNA);
  ShowWindow(keyView_->Handle(), SW_HIDE);

  TTrayIcon::Set(Handle(), icon_, true);
  DragAcceptFiles(Handle(), TRUE);
  MakeDataFolder();
  LoadAll();
  if (keyManager_->Count() == 0) ShowSettings(false);
  SetVersionCaption();
  Application.SetDialogWindow(Handle());
  return true;
}

void TNodraWnd::CreateObjects() {
  setting_ = std::make_unique<TSetting>();
  capturedKeys_.clear();
  keyManager_ = std::make_unique<TKeyManager>();
  ctrlDownCount_ = 0;
  keyNameManager_ = std::make_unique<TKeyNameManager>();
  pluginManager_ = std::make_unique<TPluginManager>();
}

void TNodraWnd::CreateControls() {
  font_ = CreateFontA(-12, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, SHIFTJIS_CHARSET,
                      OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                      DEFAULT_PITCH | FF_DONTCARE, "MS UI Gothic");
  SendMessageA(Handle(), WM_SETFONT, reinterpret_cast<WPARAM>(font_), FALSE);

  const int pagesHeight = kClientHeight - kButtonBarHeight;
  pgcMain_ = CreateChild(WC_TABCONTROLA, "", WS_CLIPSIBLINGS | WS_TABSTOP, 0, 0, kClientWidth,
                         pagesHeight, Handle(), idPages, font_);
  RECT area = {0, 0, kClientWidth, pagesHeight};
  for (int i = 0; i < 4; ++i) {
    TCITEMA item = {};
    item.mask = TCIF_TEXT;
    item.pszText = const_cast<char*>(kPageCaptions[i]);
    SendMessageA(pgcMain_, TCM_INSERTITEMA, i, reinterpret_cast<LPARAM>(&item));
  }
  SendMessageA(pgcMain_, TCM_ADJUSTRECT, FALSE, reinterpret_cast<LPARAM>(&area));
  for (int i = 0; i < 4; ++i) {
    pages_[i] = CreateWindowExA(WS_EX_CONTROLPARENT, WC_STATICA, "", WS_CHILD | WS_CLIPSIBLINGS,
                                area.left, area.top, area.right - area.left,
                                area.bottom - area.top, Handle(), nullptr,
                                GetModuleHandleA(nullptr), nullptr);
    SetWindowPos(pages_[i], HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
  }
  ShowPage(0);

  const int barTop = pagesHeight + 4;
  CreateChild(WC_BUTTONA, "ヘルプ", WS_TABSTOP | BS_PUSHBUTTON, 8, barTop, 88, 21, Handle(),
              idHelp, font_);
  CreateChild(WC_BUTTONA, "OK", WS_TABSTOP | BS_PUSHBUTTON, 246, barTop, 88, 21, Handle(), idOK,
              font_);
  CreateChild(WC_BUTTONA, "終了", WS_TABSTOP | BS_PUSHBUTTON, 338, barTop, 88, 21, Handle(),
              idClose, font_);
}

void TNodraWnd::ShowPage(int index) {
  SendMessageA(pgcMain_, TCM_SETCURSEL, index, 0);
  for (int i = 0; i < 4; ++i) ShowWindow(pages_[i], i == index ? SW_SHOW : SW_HIDE);
}

void TNodraWnd::MakeDataFolder() {
  std::string folder = TShellObject().GetSpecialFolderPath(CSIDL_APPDATA);
  if (folder.empty() || folder.back() != '\\') folder += '\\';
  dataFolder_ = folder + "Vakro\\";
  SHCreateDirectoryExA(nullptr, dataFolder_.c_str(), nullptr);
}

void TNodraWnd::LoadAll() {
  LoadSetting();
  LoadKeyData();
  LoadKeyNames();
  pluginManager_->dataFolder = dataFolder_;
  LoadPluginData();
}

void TNodraWnd::SetVersionCaption() {
  char caption[256] = {};
  GetWindowTextA(Handle(), caption, sizeof caption);
  std::string text = std::string(caption) + " " + GetFileVersion();
  SetWindowTextA(Handle(), text.c_str());
  Application.SetTitle(text.c_str());
}

// A data file that exists but cannot be read at start must survive the first save: a copy
// named after it with ".bak" is made before that save replaces it. False when no copy could
// be made, so the caller keeps the file and reports the save as failed.
bool TNodraWnd::KeepUnreadableCopy(const std::string& fileName) {
  return CopyFileA(fileName.c_str(), (fileName + ".bak").c_str(), FALSE) != FALSE ||
         GetFileAttributesA(fileName.c_str()) == INVALID_FILE_ATTRIBUTES;
}

namespace {

// Loads through `load`; remembers an existing file that could not be read.
template <typename Load>
bool LoadDataFile(const std::string& fileName, bool& unreadable, Load load) {
  bool ok = load(fileName);
  unreadable = !ok && GetFileAttributesA(fileName.c_str()) != INVALID_FILE_ATTRIBUTES;
  return ok;
}

}  // namespace

bool TNodraWnd::LoadKeyData() {
  bool ok = LoadDataFile(DataFile("keydata.dat"), unreadable_[dfKeys],
                         [this](const std::string& name) { return keyManager_->LoadFromFile(name); });
  if (!ok) ShowError(Handle(), "キー情報の読み込みに失敗。");
  return ok;
}

bool TNodraWnd::LoadKeyNames() {
  bool ok = LoadDataFile(DataFile("keyname.dat"), unreadable_[dfNames],
                         [this](const std::string& name) { return keyNameManager_->LoadFromFile(name); });
  if (!ok) ShowError(Handle(), "キー名称情報の読み込みに失敗。");
  return ok;
}

bool TNodraWnd::LoadPluginData() {
  bool ok = LoadDataFile(DataFile("plugin.dat"), unreadable_[dfPlugins],
                         [this](const std::string& name) { return pluginManager_->LoadFromFile(name); });
  if (!ok) ShowError(Handle(), "プラグインデータの読み込みに失敗。");
  return ok;
}

namespace {

template <typename Save>
bool SaveDataFile(const std::string& fileName, bool& unreadable, bool keptCopy, Save save) {
  if (unreadable && !keptCopy) return false;
  if (!save(fileName)) return false;
  unreadable = false;
  return true;
}

}  // namespace

bool TNodraWnd::SaveKeyData() {
  const std::string name = DataFile("keydata.dat");
  bool kept = !unreadable_[dfKeys] || KeepUnreadableCopy(name);
  bool ok = SaveDataFile(name, unreadable_[dfKeys], kept,
                         [this](const std::string& file) { return keyManager_->SaveToFile(file); });
  if (!ok) ShowError(Handle(), "キー情報の保存に失敗。");
  return ok;
}

bool TNodraWnd::SaveKeyNames() {
  const std::string name = DataFile("keyname.dat");
  bool kept = !unreadable_[dfNames] || KeepUnreadableCopy(name);
  bool ok = SaveDataFile(name, unreadable_[dfNames], kept,
                         [this](const std::string& file) { return keyNameManager_->SaveToFile(file); });
  if (!ok) ShowError(Handle(), "キー名称情報の保存に失敗。");
  return ok;
}

bool TNodraWnd::SavePluginData() {
  const std::string name = DataFile("plugin.dat");
  bool kept = !unreadable_[dfPlugins] || KeepUnreadableCopy(name);
  bool ok = SaveDataFile(name, unreadable_[dfPlugins], kept,
                         [this](const std::string& file) { return pluginManager_->SaveToFile(file); });
  if (!ok) ShowError(Handle(), "プラグインデータの保存に失敗。");
  return ok;
}

void TNodraWnd::LoadSetting() {
  const std::string name = DataFile("vakro.dat");
  // The profile functions give defaults for a file they cannot read; remember such a file so
  // the next save keeps a copy of it instead of silently replacing it with defaults.
  std::string bytes;
  unreadable_[dfSetting] = platform::FileExists(name) && !platform::ReadFileBytes(name, bytes);
  setting_->LoadFromFile(name);
  if (keyView_) keyView_->SetGuideFont(FontFromSetting(*setting_, keyView_->GuideFont()));
}

void TNodraWnd::SaveSetting() {
  const std::string name = DataFile("vakro.dat");
  bool kept = !unreadable_[dfSetting] || KeepUnreadableCopy(name);
  SaveDataFile(name, unreadable_[dfSetting], kept,
               [this](const std::string& file) { return setting_->SaveToFile(file); });
}

void TNodraWnd::SaveAll() {
  SaveKeyData();
  SaveKeyNames();
  SavePluginData();
  SaveSetting();
}

void TNodraWnd::ShowSettings(bool toForeground) {
  ShowWindow(Handle(), SW_SHOW);
  if (toForeground) SetForegroundWindow(Handle());
}

void TNodraWnd::FormShow() {
  if (keyView_) keyView_->ResetChord();
  RECT window;
  GetWindowRect(Handle(), &window);
  APPBARDATA taskbar = {};
  taskbar.cbSize = sizeof taskbar;
  SHAppBarMessage(ABM_GETTASKBARPOS, &taskbar);
  TPlacementPoint at = SettingsWindowPosition(
      GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN), window.right - window.left,
      window.bottom - window.top,
      {taskbar.rc.left, taskbar.rc.top, taskbar.rc.right, taskbar.rc.bottom});
  SetWindowPos(Handle(), nullptr, at.x, at.y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void TNodraWnd::FormClose() {
  SaveAll();
  Application.Terminate();
}

void TNodraWnd::btnOKClick() {
  if (!SaveKeyData()) return;
  ShowWindow(Handle(), SW_HIDE);
  SaveAll();
}

void TNodraWnd::btnCloseClick() { SendMessageA(Handle(), WM_CLOSE, 0, 0); }

void TNodraWnd::OnTrayNotify(LPARAM mouseMessage) {
  if (mouseMessage == WM_LBUTTONDBLCLK) {
    ShowSettings(true);
  } else if (mouseMessage == WM_RBUTTONDOWN) {
    switch (TrackTrayMenu(Handle())) {
      case tcShow: ShowSettings(false); break;
      case tcReset: if (keyView_) keyView_->ResetChord(); break;
      case tcExit: btnCloseClick(); break;
      case tcNone: break;
    }
  }
}

void TNodraWnd::OnCommand(WORD id) {
  switch (id) {
    case idOK: btnOKClick(); break;
    case idClose: btnCloseClick(); break;
    default: break;
  }
}

LRESULT TNodraWnd::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_QUERYENDSESSION:
      SaveAll();
      return TRUE;
    case WM_SYSCOMMAND:
      if ((wParam & 0xFFF0) == SC_CLOSE) {
        ShowWindow(Handle(), SW_HIDE);
        return 0;
      }
      break;
    case WM_SHOWWINDOW:
      if (wParam) FormShow();
      break;
    case WM_CLOSE:
      FormClose();
      return 0;
    case WM_COMMAND:
      OnCommand(LOWORD(wParam));
      return 0;
    case WM_NOTIFY:
      if (reinterpret_cast<NMHDR*>(lParam)->hwndFrom == pgcMain_ &&
          reinterpret_cast<NMHDR*>(lParam)->code == TCN_SELCHANGE)
        ShowPage(static_cast<int>(SendMessageA(pgcMain_, TCM_GETCURSEL, 0, 0)));
      return 0;
    case WM_TRAY_NOTIFY:
      OnTrayNotify(lParam);
      return 0;
    default:
      break;
  }
  return DefaultHandling(message, wParam, lParam);
}
