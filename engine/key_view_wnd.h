// The key guide window: the window the hook library posts to, the dispatcher that turns its
// key events into chords, and the borderless pop-up that lists the keys still to press.
#pragma once

#include <windows.h>

#include <functional>
#include <memory>
#include <string>

#include "data/setting.h"
#include "hooklib/key_protocol.h"
#include "toolkit/window.h"

class TKeyManager;
class TKeyNameManager;
class TPluginManager;
class TSetting;

class TKeyViewWnd : public TWindow {
 public:
  TKeyViewWnd();
  ~TKeyViewWnd() override;

  // Creates the hidden window, installs the hooks with it as their target and starts the hook
  // process.
  bool Create();
  // Whether the hooks were installed: without them there are no hot keys.
  bool HotKeysStarted() const { return hotKeysStarted_; }

  void SetCollaborators(TKeyManager* keys, TSetting* setting, TKeyNameManager* names,
                        TPluginManager* plugins);

  // Key events while the settings window is visible: (sender, virtual-key code, flags).
  std::function<void(TKeyViewWnd*, UINT, LPARAM)> OnKeyCapture;
  // A finder reply: (sender, the window asked, module path, command line).
  std::function<void(TKeyViewWnd*, HWND, const std::string&, const std::string&)> OnFinderReply;
  // Asked for every key event; while it answers true no chord is matched.
  std::function<bool()> IsSettingsVisible;
  // The window property counting the key reports handled so far.
  static constexpr const char* kKeysHandledProperty = NL_KEYS_HANDLED_PROPERTY;
  // Whether a chord box has the focus: it then withholds keys, and a reset leaves the mode alone.
  std::function<bool()> IsCapturing;
  // The built-in command "show".
  std::function<void()> ShowSettings;

  void ResetChord();
  // Tells the hook the first keys of the key sequences again (the list changed); Soon: once the
  // messages waiting now are handled (the settings window hiding is not yet hidden).
  void RefreshLeaders();
  void RefreshLeadersSoon() { SetTimer(Handle(), kLeadersTimer, 0, nullptr); }
  // The pause switch (the tray menu and the command "$pause"); OnPauseChanged tells of a change.
  void SetPaused(bool paused);
  bool Paused() const;
  std::function<void(bool)> OnPauseChanged;
  // A chord box got or lost the focus: while it has it the hook withholds every key and reports
  // it here, for the box.
  void BeginCapture();
  void EndCapture();
  // The guide's font; the window keeps its own copy.
  void SetGuideFont(const LOGFONTA& font);
  const LOGFONTA& GuideFont() const;
  bool GuideVisible() const { return Visible(); }

 protected:
  LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

 private:
  void OnHookKey(WPARAM key, LPARAM flags);
  void CountHandledKey();
  bool StartHookProcess();
  void OnHookProcessEnded();
  static constexpr UINT kHookProcessEndedMessage = WM_APP + 700;
  static constexpr UINT_PTR kHookRestartTimer = 1;
  static constexpr UINT kHookRestartMs = 1000;
  void BuildGuide(bool showWhenBuilt);
  void ContinueGuideBuild();
  void CancelGuideBuild();
  void FinishGuideBuild();
  static constexpr UINT_PTR kGuideBuildTimer = 4;
  static constexpr size_t kGuideRowsPerStep = 8;
  HFONT FontForMonitor(int dpi);
  void ShowGuide();
  void UpdateGuideSoon();
  void UpdateGuide();
  void HideGuideNow();
  void ShowWantedGuide();
  static constexpr UINT_PTR kGuideTimer = 2;
  static constexpr UINT kGuideDelayMs = 50;
  static constexpr UINT_PTR kGuideUpdateTimer = 3;
  static constexpr UINT_PTR kSequenceTimer = 5;
  static constexpr UINT_PTR kLeadersTimer = 6;
  void OnSequenceTimer();
  void SetEdgeColor(TColor color);
  void OnFinderReplyMessage(HWND target);

  struct Impl;
  std::unique_ptr<Impl> impl_;
  bool hotKeysStarted_ = false;
};
