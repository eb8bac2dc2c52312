// The main window: the hidden settings window with its four pages, and the owner of every
// long-lived object of the program (settings, assignments, key names, plug-ins, key guide).
#pragma once

#include <windows.h>
#include <shellapi.h>

#include <memory>
#include <optional>
#include <string>

#include "data/data_files.h"
#include "data/key_manager.h"
#include "data/key_name_manager.h"
#include "data/setting.h"
#include "engine/ctrl_keys.h"
#include "plugins/plugin_manager.h"
#include "toolkit/command_map.h"
#include "toolkit/handles.h"
#include "toolkit/window.h"
#include "ui/page_host.h"
#include "ui/window_placement.h"

class TKeyViewWnd;
class TPage;
class TCapturePage;
class TKeyPage;
class TKeyNamePage;
class TPluginPage;
class TSettingPage;

class TNodraWnd : public TWindow, public TPageHost {
 public:
  TNodraWnd();
  ~TNodraWnd() override;

  // Builds the window and every object, makes the data folder and loads the data files.
  bool Create();

  // Shows the settings window (placed at the bottom right); optionally brings it to front.
  void ShowSettings(bool toForeground);
  // Visible and not minimised: while it is, key events go to the chord capture.
  bool SettingsOnScreen() const;
  // The page whose chord box has the focus, if any.
  TCapturePage* FocusedCapturePage() const;
  void SaveAll();

  TKeyViewWnd& KeyView() { return *keyView_; }

  // What the pages ask of the window.
  HWND OwnerWindow() const override { return Handle(); }
  TCommandMap& Commands() override { return commands_; }
  const TScale& LayoutScale() const override { return scale_; }
  TKeyManager& KeyManager() override { return *keyManager_; }
  TKeyNameManager& KeyNameManager() override { return *keyNameManager_; }
  TPluginManager& PluginManager() override { return *pluginManager_; }
  void ShowPage(TPageIndex page) override;
  void ResetChord() override;
  void BeginCapture() override;
  void EndCapture() override;
  void SetGuideStyle(const TGuideStyle& style) override;
  void KeyTextChanged(int index) override;

  // Key events while the settings window is visible (the key guide window hands them over).
  void CaptureKey(UINT virtualKey, LPARAM keystrokeFlags);

 protected:
  LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

 private:
  void BuildPages();
  void CreateControls();
  void CreateObjects();
  void MakeDataFolder();
  void LoadAll();
  void SetVersionCaption();

  void FormShow();
  void FormClose();
  void OnDpiChanged(int dpi, const RECT& suggested);
  void SetIconsForDpi(int dpi);
  void RememberUserPlace();
  HFONT MakeFont();
  void OnTrayNotify(LPARAM mouseMessage);
  // The tray icon greyed, with its tip saying so, while the hot keys are paused.
  void ShowPauseState(bool paused);
  void OnDropFiles(HDROP drop);
  void OnIdle();
  TPageIndex ActivePage() const;
  TPage* Page(int index) const;
  void btnOKClick();
  void btnCloseClick();
  void btnHelpClick();

  void MakeDataFiles();
  // Watches the data folder: a change there (by another program; the program's own saves
  // included, which change nothing) is looked at once the folder has been quiet a moment.
  void StartDataWatch();
  void DataFolderChanged();
  // Takes in the data files changed on disk while the settings window is hidden; while it is
  // visible only notes them (OK then keeps their content as ".bak" before saving over them).
  void ExamineDataFiles();
  void ShowReloadedData(bool settingsReloaded);
  // Ctrl+F and Escape for the find boxes; true when the key was theirs.
  bool OnDialogKey(const MSG& message);
  bool LoadDataFile(TDataFile file);
  bool SaveDataFile(TDataFile file);
  void SaveSettingControls();

  std::string dataFolder_;
  std::unique_ptr<TDataFiles> dataFiles_;
  TChangeNotification dataWatch_;
  std::unique_ptr<TSetting> setting_;
  std::unique_ptr<TKeyManager> keyManager_;
  // The Ctrl keys held, for Ctrl+Backspace in the capture boxes.
  TCtrlKeys ctrlKeys_;
  std::unique_ptr<TKeyNameManager> keyNameManager_;
  std::unique_ptr<TPluginManager> pluginManager_;
  std::unique_ptr<TKeyViewWnd> keyView_;

  TCommandMap commands_;
  HICON icon_ = nullptr;
  TIcon pausedIcon_;  // made from icon_ the first time the hot keys are paused
  // The DPI of the monitor the window is on; every place of the window is laid out for it.
  TScale scale_;
  // The window's icons in the sizes the system asks for on a monitor it moved to.
  TIcon bigIcon_, smallIcon_;
  // Where the user last moved the window, kept for the next time it shows.
  std::optional<TUserPlace> userPlace_;
  TFont font_;
  HWND pgcMain_ = nullptr;
  HWND pages_[4] = {};
  std::unique_ptr<TKeyPage> keyPage_;
  std::unique_ptr<TKeyNamePage> keyNamePage_;
  std::unique_ptr<TPluginPage> pluginPage_;
  std::unique_ptr<TSettingPage> settingPage_;
};
