// The key guide window: one borderless pop-up that is both the window the hook library reports
// to and the key guide. It joins three pieces: the key channel (the hooks and the library calls),
// the dispatcher that turns key events into chords, and the guide that draws the keys still to
// press.
#pragma once

#include <windows.h>

#include <functional>
#include <memory>
#include <string>

#include "data/setting.h"
#include "engine/key_guide.h"
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
  // The key guide's look, from the settings or from the settings page as it is edited.
  void SetGuideStyle(const TGuideStyle& style);

 protected:
  LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

 private:
  void OnHookKey(WPARAM key, LPARAM flags);
  void OnHookProcessEnded();
  void OnSequenceTimer();
  void OnFinderReplyMessage(HWND target);
  static constexpr UINT_PTR kSequenceTimer = 5;
  static constexpr UINT_PTR kLeadersTimer = 6;

  struct Impl;
  std::unique_ptr<Impl> impl_;
  bool hotKeysStarted_ = false;
};
