#include "engine/key_view_wnd.h"

#include "data/key_manager.h"
#include "data/key_name_manager.h"
#include "data/setting.h"
#include "engine/command_executor.h"
#include "engine/commands.h"
#include "engine/foreground_program.h"
#include "engine/guide_layout.h"
#include "engine/key_channel.h"
#include "engine/key_decision_applier.h"
#include "engine/key_dispatcher.h"
#include "engine/key_guide.h"
#include "hooklib/key_protocol.h"
#include "hooklib/nodralib.h"

struct TKeyViewWnd::Impl : TKeyDispatcherHost, TKeyDecisionApplierHost {
  explicit Impl(TKeyViewWnd& owner) : window(owner), dispatcher(*this), applier(*this) {}

  bool SettingsVisible() const override {
    return window.IsSettingsVisible && window.IsSettingsVisible();
  }
  bool GuideWanted() const override { return guide && guide->Wanted(); }
  bool CaptureOwnsMode() const override { return window.IsCapturing && window.IsCapturing(); }
  bool ShowKeyView() const override { return setting && setting->ShowKeyView; }
  bool HideCursor() const override { return setting && setting->HideCursor; }
  // As the hook saw the keyboard (a press it withholds never reaches the system's key state), and
  // down while reports wait: the release the hook saw may be among them, still to be read.
  bool KeyIsDown(uint32_t virtualKey) const override {
    return channel.ReportsWaiting() || channel.KeyIsDown(virtualKey);
  }
  uint32_t NowMs() const override { return GetTickCount(); }
  bool DeliverUnmatchedKeys() const override { return !setting || setting->SendUnmatchedKeys; }
  std::string ForegroundProgram() const override { return ForegroundProgramName(); }
  TTextList ExcludedPrograms() const override { return setting ? setting->ExcludePrograms : TTextList(); }
  uint32_t SequenceTimeoutMs() const override {
    return static_cast<uint32_t>(setting ? setting->SequenceTimeout : TSetting::kDefaultSequenceTimeout);
  }

  void SetDispatchMode(TDispatchMode mode, const std::vector<uint16_t>& continuation) override {
    channel.SetDispatchMode(mode, continuation);
  }
  void DeliverWithheld(const std::vector<TKeyEvent>& events) override {
    std::vector<uint16_t> sequences;
    sequences.reserve(events.size());
    for (const TKeyEvent& event : events) sequences.push_back(event.sequence);
    channel.DecideWithheld(sequences, true);
  }
  void DropWithheld(const std::vector<uint16_t>& sequences) override { channel.DecideWithheld(sequences, false); }
  std::vector<uint16_t> KeptWithheld() const override { return dispatcher.WithheldSequences(); }
  uint32_t SetReportsHandled(uint32_t total) override { return channel.SetReportsHandled(total); }
  // Asked of the hooks' count, without handling a message sent meanwhile, which peeking at the
  // queue would.
  bool ReportsWaiting() const override { return channel.ReportsWaiting(); }
  void HandToCapture(uint32_t virtualKey, uint32_t keystrokeFlags) override {
    if (window.OnKeyCapture) window.OnKeyCapture(&window, virtualKey, static_cast<LPARAM>(keystrokeFlags));
  }
  void ChangeGuide(bool rebuild, bool show, bool hide) override {
    if (guide) guide->Change(rebuild, show, hide);
  }
  void ChangeCursor(TCursorChange change) override { ShowCursor(change == TCursorChange::kShow); }
  void SetSequenceTimer(uint32_t ms) override {
    if (ms > 0) SetTimer(window.Handle(), kSequenceTimer, ms, nullptr);
    else KillTimer(window.Handle(), kSequenceTimer);
  }
  bool TypesOutput(const TKeyInfo& info) const override { return IsOutputCommand(info.Path()); }
  void Execute(const TKeyInfo& info, std::optional<uint16_t> inPlaceOf) override {
    if (!executor.Execute(info, inPlaceOf) && inPlaceOf) DropWithheld({*inPlaceOf});
  }

  TKeyViewWnd& window;
  TKeyDispatcher dispatcher;
  TKeyDecisionApplier applier;
  TCommandExecutor executor;
  TKeyChannel channel;
  std::unique_ptr<TKeyGuide> guide;  // made with the window
  TKeyManager* keys = nullptr;
  TSetting* setting = nullptr;
  TKeyNameManager* names = nullptr;
};

TKeyViewWnd::TKeyViewWnd() : impl_(std::make_unique<Impl>(*this)) {}

// The guide goes first, while the rest is whole: its labels' going reaches this window's
// messages. The hooks are released after it, with the channel.
TKeyViewWnd::~TKeyViewWnd() { impl_->guide.reset(); }

bool TKeyViewWnd::Create() {
  // A top-most pop-up that never takes activation, so the user's window keeps the focus.
  if (!CreateWindowObject("TKeyViewWnd", "\x81\x40", WS_POPUP,
                          WS_EX_TOOLWINDOW | WS_EX_TOPMOST | WS_EX_NOACTIVATE, 0, 0, 0, 0,
                          nullptr))
    return false;
  impl_->guide = std::make_unique<TKeyGuide>(Handle());
  impl_->guide->Rows = [this](size_t mostRows) {
    return BuildGuideRows(impl_->dispatcher.Candidates(), impl_->dispatcher.TypedCount(), impl_->names, mostRows);
  };
  impl_->guide->ShowDelayMs = [this] { return impl_->setting ? impl_->setting->KeyViewDelay : 0; };
  impl_->executor.HideGuide = [this] { impl_->guide->HideNow(); };
  impl_->executor.ShowSettings = [this] {
    if (ShowSettings) ShowSettings();
  };
  impl_->executor.TogglePause = [this] { SetPaused(!Paused()); };
  impl_->executor.SendOutput = [this](const TOutputEvents& events, std::optional<uint16_t> inPlaceOf) {
    return impl_->channel.SendOutput(events, inPlaceOf);
  };
  hotKeysStarted_ = impl_->channel.Open(Handle());
  RefreshLeaders();
  return true;
}

// The chord under way is forgotten: its keys went on while the hook was gone.
void TKeyViewWnd::OnHookProcessEnded() {
  ResetChord();
  impl_->channel.OnHookProcessEnded();
}

void TKeyViewWnd::SetCollaborators(TKeyManager* keys, TSetting* setting, TKeyNameManager* names,
                                   TPluginManager* plugins) {
  impl_->keys = keys;
  impl_->setting = setting;
  impl_->names = names;
  impl_->executor.plugins = plugins;
  impl_->dispatcher.SetKeyManager(keys);
  RefreshLeaders();
}

void TKeyViewWnd::SetGuideStyle(const TGuideStyle& style) { impl_->guide->SetStyle(style); }

void TKeyViewWnd::ResetChord() {
  impl_->applier.Apply(impl_->dispatcher.ResetChord());
  RefreshLeaders();
}

// The hook withholds presses of the sequences' first keys even while the keyboard passes; none
// while the settings window takes the keys.
void TKeyViewWnd::RefreshLeaders() {
  static const std::vector<uint16_t> none;
  impl_->channel.SetLeaders(impl_->SettingsVisible() ? none : impl_->dispatcher.LeaderKeys());
}

void TKeyViewWnd::OnSequenceTimer() {
  KillTimer(Handle(), kSequenceTimer);
  impl_->applier.Apply(impl_->dispatcher.SequenceTimedOut());
}

void TKeyViewWnd::SetPaused(bool paused) {
  if (paused == Paused()) return;
  impl_->applier.Apply(impl_->dispatcher.SetPaused(paused));
  RefreshLeaders();
  if (OnPauseChanged) OnPauseChanged(paused);
}

bool TKeyViewWnd::Paused() const { return impl_->dispatcher.Paused(); }

void TKeyViewWnd::BeginCapture() { impl_->channel.SetDispatchMode(TDispatchMode::kSwallow, {}); }

void TKeyViewWnd::EndCapture() { impl_->channel.SetDispatchMode(TDispatchMode::kPass, {}); }

void TKeyViewWnd::OnHookKey(WPARAM key, LPARAM flags) {
  const uint16_t sequence = NL_REPORT_SEQUENCE(key);
  const uint32_t reported = impl_->applier.TakeReport(static_cast<uint32_t>(flags), sequence);
  const UINT virtualKey = LOWORD(key);
  impl_->applier.Apply(impl_->dispatcher.EvaluateKeyEvent(virtualKey, reported, sequence), virtualKey,
                       reported & ~kKeyReportBits);
  RefreshLeaders();
  impl_->channel.CountHandledKey();
}

void TKeyViewWnd::OnFinderReplyMessage(HWND target) {
  if (OnFinderReply) OnFinderReply(this, target, TKeyChannel::FinderModulePath(), TKeyChannel::FinderCommandLine());
}

LRESULT TKeyViewWnd::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  LRESULT result = 0;
  if (impl_->guide && impl_->guide->HandleMessage(message, wParam, lParam, result)) return result;
  switch (message) {
    case WM_HOOK_KEY:
      OnHookKey(wParam, lParam);
      break;
    case WM_HOOK_ACTIVATE:
      impl_->applier.Apply(impl_->dispatcher.WindowActivated());
      break;
    case TKeyChannel::kHookProcessEndedMessage:
      OnHookProcessEnded();
      return 0;
    case WM_TIMER:
      if (wParam == kSequenceTimer) OnSequenceTimer();
      else if (wParam == kLeadersTimer) {
        KillTimer(Handle(), kLeadersTimer);
        RefreshLeaders();
      } else if (wParam == TKeyChannel::kHookRestartTimer) impl_->channel.OnRestartTimer();
      else break;
      return 0;
    case WM_FIND_REPLY:
      OnFinderReplyMessage(reinterpret_cast<HWND>(wParam));
      break;
    case WM_HOOK_CLOSE:
      ResetChord();
      break;
    default:
      break;
  }
  return DefaultHandling(message, wParam, lParam);
}
