#include "engine/key_view_wnd.h"

#include <algorithm>
#include <cstring>

#include "data/key_manager.h"
#include "data/key_name_manager.h"
#include "data/setting.h"
#include "engine/command_executor.h"
#include "engine/commands.h"
#include "engine/foreground_program.h"
#include "engine/guide_layout.h"
#include "engine/guide_screen.h"
#include "engine/hook_process.h"
#include "engine/key_decision_applier.h"
#include "engine/key_dispatcher.h"
#include "engine/key_view_document.h"
#include "hooklib/nodralib.h"
#include "toolkit/dpi.h"
#include "toolkit/handles.h"
#include "toolkit/setting_font.h"

namespace {

// A finder field copied whole from the shared block, always terminated inside its bytes.
std::string FetchFinderField(BOOL(WINAPI* getter)(char*, int)) {
  char buffer[NL_FIND_FIELD_SIZE] = {};
  if (!getter(buffer, sizeof buffer)) return {};
  buffer[NL_FIND_FIELD_SIZE - 1] = '\0';
  return buffer;
}

}  // namespace

struct TKeyViewWnd::Impl : TKeyDispatcherHost, TKeyDecisionApplierHost {
  explicit Impl(TKeyViewWnd& owner) : window(owner), dispatcher(*this), applier(*this) {}

  bool SettingsVisible() const override {
    return window.IsSettingsVisible && window.IsSettingsVisible();
  }
  bool GuideVisible() const override { return guideWanted; }
  bool CaptureOwnsMode() const override { return window.IsCapturing && window.IsCapturing(); }
  bool ShowKeyView() const override { return setting && setting->ShowKeyView; }
  bool HideCursor() const override { return setting && setting->HideCursor; }
  // As the hook saw the keyboard (a press it withholds never reaches the system's key state), and
  // down while reports wait: the release the hook saw may be among them, still to be read.
  bool KeyIsDown(uint32_t virtualKey) const override {
    return nlReportsWaiting() > 0 || nlKeyIsDown(virtualKey) != FALSE;
  }
  uint32_t NowMs() const override { return GetTickCount(); }
  bool DeliverUnmatchedKeys() const override { return !setting || setting->SendUnmatchedKeys; }
  std::string ForegroundProgram() const override { return ForegroundProgramName(); }
  TTextList ExcludedPrograms() const override { return setting ? setting->ExcludePrograms : TTextList(); }
  uint32_t SequenceTimeoutMs() const override {
    return static_cast<uint32_t>(setting ? setting->SequenceTimeout : TSetting::kDefaultSequenceTimeout);
  }

  void SetDispatchMode(TDispatchMode mode, const std::vector<uint16_t>& continuation) override;
  void DeliverWithheld(const std::vector<TKeyEvent>& events) override;
  void DropWithheld(const std::vector<uint16_t>& sequences) override {
    nlDecideWithheld(sequences.data(), static_cast<UINT>(sequences.size()), FALSE);
  }
  std::vector<uint16_t> KeptWithheld() const override { return dispatcher.WithheldSequences(); }
  uint32_t SetReportsHandled(uint32_t total) override { return nlSetReportsHandled(total); }
  // Asked of the hooks' count, without handling a message sent meanwhile, which peeking at the
  // queue would.
  bool ReportsWaiting() const override { return nlReportsWaiting() > 0; }
  void HandToCapture(uint32_t virtualKey, uint32_t keystrokeFlags) override {
    if (window.OnKeyCapture) window.OnKeyCapture(&window, virtualKey, static_cast<LPARAM>(keystrokeFlags));
  }
  void ChangeGuide(bool rebuild, bool show, bool hide) override;
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
  THookProcess hookProcess;
  uint32_t hookStartTick = 0;
  uintptr_t keysHandled = 0;   // reports of key events, for the window property
  // The guide as the decisions left it; the window follows once no key report waits, so that
  // a burst of keys is decided at the speed of the decisions, not of drawing windows.
  bool guideWanted = false;
  bool guideRebuild = false;
  std::vector<uint16_t> leadersSent;  // the sequences' first keys the hook withholds
  TKeyManager* keys = nullptr;
  TSetting* setting = nullptr;
  TKeyNameManager* names = nullptr;
  std::unique_ptr<TKeyViewDocument> document;
  LOGFONTA fontInfo = InitialGuideFont();
  TFont font{CreateFontIndirectA(&fontInfo)};
  // The font at the DPI of the monitor the guide last showed on, when that is another one.
  TFont monitorFont;
  int monitorFontDpi = 0;
  TBrush edgeBrush;
  TColor edgeColor = 0;
  // The guide being built: its rows, how many have labels, and where and in what font.
  std::vector<TGuideRowText> pendingRows;
  size_t pendingAt = 0;
  bool showWhenBuilt = false;
  TMonitorArea buildMonitor{};
  HFONT buildFont = nullptr;
};

TKeyViewWnd::TKeyViewWnd() : impl_(std::make_unique<Impl>(*this)) {}

TKeyViewWnd::~TKeyViewWnd() {
  impl_->hookProcess.Forget();
  nlReleaseHook();
  if (Handle()) RemovePropA(Handle(), kKeysHandledProperty);
  impl_->document.reset();  // its labels use the font, which goes with impl_
}

bool TKeyViewWnd::Create() {
  // A top-most pop-up that never takes activation, so the user's window keeps the focus.
  if (!CreateWindowObject("TKeyViewWnd", "\x81\x40", WS_POPUP,
                          WS_EX_TOOLWINDOW | WS_EX_TOPMOST | WS_EX_NOACTIVATE, 0, 0, 0, 0,
                          nullptr))
    return false;
  impl_->document = std::make_unique<TKeyViewDocument>(Handle());
  impl_->executor.HideGuide = [this] { HideGuideNow(); };
  impl_->executor.ShowSettings = [this] {
    if (ShowSettings) ShowSettings();
  };
  impl_->executor.TogglePause = [this] { SetPaused(!Paused()); };
  impl_->executor.SendOutput = [](const TOutputEvents& events, std::optional<uint16_t> inPlaceOf) {
    return nlSendOutput(events.data(), static_cast<UINT>(events.size()), inPlaceOf ? *inPlaceOf : -1) != FALSE;
  };
  // vakro's own hooks answer the finder and report activations and close commands; every key
  // event is decided by the hook process's low-level hook, so no program calls into the library
  // for its keys.
  hotKeysStarted_ = nlStartHooks(Handle(), NL_HOOK_GETMESSAGE | NL_HOOK_CALLWNDPROC | NL_WATCHDOG) != FALSE &&
                    StartHookProcess();
  RefreshLeaders();
  return true;
}

bool TKeyViewWnd::StartHookProcess() {
  impl_->hookStartTick = GetTickCount();
  return impl_->hookProcess.Start(Handle(), kHookProcessEndedMessage);
}

// The hook process ended before vakro (killed, crashed): keys pass meanwhile, since its hook went
// with it. The chord under way is forgotten and the process started again, at most once a second.
void TKeyViewWnd::OnHookProcessEnded() {
  ResetChord();
  const uint32_t since = GetTickCount() - impl_->hookStartTick;
  if (since >= kHookRestartMs) StartHookProcess();
  else SetTimer(Handle(), kHookRestartTimer, kHookRestartMs - since, nullptr);
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

void TKeyViewWnd::SetGuideFont(const LOGFONTA& font) {
  impl_->fontInfo = font;
  TFont created(CreateFontIndirectA(&font));
  if (created) impl_->font = std::move(created);
  impl_->monitorFont.Reset();
  impl_->monitorFontDpi = 0;
}

HFONT TKeyViewWnd::FontForMonitor(int dpi) {
  if (dpi == SystemDpi()) return impl_->font.Get();
  if (!impl_->monitorFont || impl_->monitorFontDpi != dpi) {
    const LOGFONTA scaled = FontForDpi(impl_->fontInfo, dpi);
    impl_->monitorFont.Reset(CreateFontIndirectA(&scaled));
    impl_->monitorFontDpi = dpi;
  }
  return impl_->monitorFont ? impl_->monitorFont.Get() : impl_->font.Get();
}

const LOGFONTA& TKeyViewWnd::GuideFont() const { return impl_->fontInfo; }

void TKeyViewWnd::ResetChord() {
  impl_->applier.Apply(impl_->dispatcher.ResetChord());
  RefreshLeaders();
}

// The hook withholds presses of the sequences' first keys even while the keyboard passes; none
// while the settings window takes the keys.
void TKeyViewWnd::RefreshLeaders() {
  static const std::vector<uint16_t> none;
  const std::vector<uint16_t>& leaders = impl_->SettingsVisible() ? none : impl_->dispatcher.LeaderKeys();
  if (leaders == impl_->leadersSent) return;
  if (nlSetLeaders(leaders.data(), static_cast<UINT>(leaders.size()))) impl_->leadersSent = leaders;
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

namespace {

// At most the rows of the font's height that one column on the monitor holds: more could hardly be
// read at a glance, and each costs two windows on vakro's thread.
size_t RowsThatFit(const TPlacementRect& monitor, HFONT font) {
  TEXTMETRICA metrics = {};
  HDC screen = GetDC(nullptr);
  const HGDIOBJ previous = SelectObject(screen, font);
  const bool measured = GetTextMetricsA(screen, &metrics) != FALSE;
  SelectObject(screen, previous);
  ReleaseDC(nullptr, screen);
  if (!measured) return SIZE_MAX;
  const int height = monitor.bottom - monitor.top;
  return GuideRowsThatFit({height, height}, metrics.tmHeight, height);
}

}  // namespace

// The guide's labels are made a few rows at a time, each step after the key reports waiting then
// (a timer's message comes only when no posted message waits): a guide of many rows never holds
// up a decision. The rows are those of the chord when the build begins; a new chord begins it anew.
void TKeyViewWnd::BuildGuide(bool showWhenBuilt) {
  impl_->document->Clear();
  impl_->buildMonitor = GuideMonitorNow(Handle());
  impl_->buildFont = FontForMonitor(impl_->buildMonitor.dpi);
  impl_->pendingRows = BuildGuideRows(impl_->dispatcher.Candidates(), impl_->dispatcher.TypedCount(),
                                      impl_->names, RowsThatFit(impl_->buildMonitor.monitor, impl_->buildFont));
  impl_->pendingAt = 0;
  impl_->showWhenBuilt = showWhenBuilt;
  ContinueGuideBuild();
}

void TKeyViewWnd::ContinueGuideBuild() {
  KillTimer(Handle(), kGuideBuildTimer);
  const std::vector<TGuideRowText>& rows = impl_->pendingRows;
  const size_t end = std::min(rows.size(), impl_->pendingAt + kGuideRowsPerStep);
  for (; impl_->pendingAt < end; ++impl_->pendingAt)
    impl_->document->AddRow(rows[impl_->pendingAt].keysText, rows[impl_->pendingAt].programName, impl_->buildFont);
  if (impl_->pendingAt < rows.size()) {
    if (SetTimer(Handle(), kGuideBuildTimer, 0, nullptr)) return;
    return ContinueGuideBuild();
  }
  impl_->pendingRows.clear();
  FinishGuideBuild();
}

void TKeyViewWnd::CancelGuideBuild() {
  KillTimer(Handle(), kGuideBuildTimer);
  impl_->pendingRows.clear();
  impl_->pendingAt = 0;
  impl_->showWhenBuilt = false;
}

void TKeyViewWnd::FinishGuideBuild() {
  TKeyViewDocument& document = *impl_->document;
  const TMonitorArea& monitor = impl_->buildMonitor;
  TGuideLayout layout =
      LayOutGuide(document.RowSizes(), monitor.monitor,
                  impl_->setting ? impl_->setting->KeyViewPos : 0,
                  impl_->setting ? GuidePaletteOf(*impl_->setting) : GuidePaletteOf(TSetting()),
                  TScale(monitor.dpi));
  document.Apply(layout);
  SetEdgeColor(layout.edgeColor);
  SetWindowPos(Handle(), nullptr, layout.formLeft, layout.formTop, layout.client.width,
               layout.client.height, SWP_NOZORDER | SWP_NOACTIVATE);
  InvalidateRect(Handle(), nullptr, TRUE);
  if (impl_->showWhenBuilt && impl_->guideWanted) ShowGuide();
  impl_->showWhenBuilt = false;
}

void TKeyViewWnd::SetEdgeColor(TColor color) {
  if (impl_->edgeBrush && impl_->edgeColor == color) return;
  impl_->edgeBrush.Reset(CreateSolidBrush(color));
  impl_->edgeColor = color;
}

// Shown without drawing at once: its rows paint on their own messages, after the key reports.
void TKeyViewWnd::ShowGuide() {
  SetWindowPos(Handle(), HWND_TOPMOST, 0, 0, 0, 0,
               SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE | SWP_SHOWWINDOW | SWP_NOREDRAW);
  RedrawWindow(Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_FRAME);
}

void TKeyViewWnd::Impl::ChangeGuide(bool rebuild, bool show, bool hide) {
  // Most keys begin no chord and hide a guide that is not there: nothing to do, no timer to set.
  if (hide && !rebuild && !show && !guideWanted && !window.Visible()) return;
  if (rebuild) guideRebuild = true;
  if (show) guideWanted = true;
  if (hide) guideWanted = guideRebuild = false;
  window.UpdateGuideSoon();
}

// The guide is drawn once the key reports queued now have been handled (a timer's message comes
// only when no posted message waits), with the rows of the chord as it is by then.
void TKeyViewWnd::UpdateGuideSoon() {
  if (!SetTimer(Handle(), kGuideUpdateTimer, 0, nullptr)) UpdateGuide();
}

// A hidden guide shows only once the chord has stayed unfinished a moment (at least the user's
// delay, counted from the last key): keys sent in a burst (an auto-type, a scanner) never make it
// flash, nor wait while it is drawn, and a user who knows the keys never sees it.
void TKeyViewWnd::UpdateGuide() {
  KillTimer(Handle(), kGuideUpdateTimer);
  if (!impl_->guideWanted) {
    KillTimer(Handle(), kGuideTimer);
    CancelGuideBuild();
    if (Visible()) ShowWindow(Handle(), SW_HIDE);
    return;
  }
  if (!Visible()) {
    const int32_t delay = impl_->setting ? impl_->setting->KeyViewDelay : 0;
    SetTimer(Handle(), kGuideTimer, std::max(kGuideDelayMs, static_cast<UINT>(std::max(delay, 0))), nullptr);
    return;
  }
  if (impl_->guideRebuild) BuildGuide(false);
  impl_->guideRebuild = false;
}

void TKeyViewWnd::ShowWantedGuide() {
  KillTimer(Handle(), kGuideTimer);
  if (!impl_->guideWanted || Visible()) return;
  BuildGuide(true);
  impl_->guideRebuild = false;
}

void TKeyViewWnd::HideGuideNow() {
  impl_->guideWanted = impl_->guideRebuild = false;
  KillTimer(Handle(), kGuideTimer);
  CancelGuideBuild();
  ShowWindow(Handle(), SW_HIDE);
}

// A swallowing mode with keys a chord goes on with lets the hooks pass the others; the list goes in
// before the mode, and goes before any other mode is set.
void TKeyViewWnd::Impl::SetDispatchMode(TDispatchMode mode, const std::vector<uint16_t>& continuation) {
  const bool listed = mode == TDispatchMode::kSwallow && !continuation.empty();
  nlSetContinuation(listed ? continuation.data() : nullptr, listed ? static_cast<UINT>(continuation.size()) : 0);
  nlSetDispatchMode(static_cast<signed char>(mode));
}

void TKeyViewWnd::BeginCapture() { impl_->SetDispatchMode(TDispatchMode::kSwallow, {}); }

void TKeyViewWnd::EndCapture() { impl_->SetDispatchMode(TDispatchMode::kPass, {}); }

void TKeyViewWnd::Impl::DeliverWithheld(const std::vector<TKeyEvent>& events) {
  std::vector<unsigned short> sequences;
  sequences.reserve(events.size());
  for (const TKeyEvent& event : events) sequences.push_back(event.sequence);
  nlDecideWithheld(sequences.data(), static_cast<UINT>(sequences.size()), TRUE);
}

void TKeyViewWnd::OnHookKey(WPARAM key, LPARAM flags) {
  const uint16_t sequence = NL_REPORT_SEQUENCE(key);
  const uint32_t reported = impl_->applier.TakeReport(static_cast<uint32_t>(flags), sequence);
  const UINT virtualKey = LOWORD(key);
  impl_->applier.Apply(impl_->dispatcher.EvaluateKeyEvent(virtualKey, reported, sequence), virtualKey,
                       reported & ~kKeyReportBits);
  RefreshLeaders();
  CountHandledKey();
}

// How many key reports have been handled, as a property of this window: input tools pace their
// events by it (each event waits until the one before is handled).
void TKeyViewWnd::CountHandledKey() {
  ++impl_->keysHandled;
  SetPropA(Handle(), kKeysHandledProperty, reinterpret_cast<HANDLE>(impl_->keysHandled));
}

void TKeyViewWnd::OnFinderReplyMessage(HWND target) {
  if (!OnFinderReply) return;
  std::string path = FetchFinderField(nlGetFindModulePath);
  std::string commandLine = FetchFinderField(nlGetFindModuleCommand);
  OnFinderReply(this, target, path, commandLine);
}

LRESULT TKeyViewWnd::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_HOOK_KEY:
      OnHookKey(wParam, lParam);
      break;
    case WM_HOOK_ACTIVATE:
      impl_->applier.Apply(impl_->dispatcher.WindowActivated());
      break;
    case kHookProcessEndedMessage:
      OnHookProcessEnded();
      return 0;
    case WM_TIMER:
      if (wParam == kGuideTimer) ShowWantedGuide();
      else if (wParam == kGuideUpdateTimer) UpdateGuide();
      else if (wParam == kGuideBuildTimer) ContinueGuideBuild();
      else if (wParam == kSequenceTimer) OnSequenceTimer();
      else if (wParam == kLeadersTimer) {
        KillTimer(Handle(), kLeadersTimer);
        RefreshLeaders();
      }
      else if (wParam == kHookRestartTimer) {
        KillTimer(Handle(), kHookRestartTimer);
        StartHookProcess();
      }
      else break;
      return 0;
    case WM_FIND_REPLY:
      OnFinderReplyMessage(reinterpret_cast<HWND>(wParam));
      break;
    case WM_HOOK_CLOSE:
      ResetChord();
      break;
    case WM_SHOWWINDOW:
      if (!wParam) impl_->document->Clear();
      break;
    case WM_MOUSEACTIVATE:
      return MA_NOACTIVATE;
    case WM_ERASEBKGND: {
      RECT client;
      GetClientRect(Handle(), &client);
      FillRect(reinterpret_cast<HDC>(wParam), &client,
               impl_->edgeBrush ? impl_->edgeBrush.Get() : GetSysColorBrush(COLOR_WINDOW));
      return 1;
    }
    case WM_CTLCOLORSTATIC:
      if (HBRUSH brush = impl_->document->LabelColors(reinterpret_cast<HWND>(lParam),
                                                      reinterpret_cast<HDC>(wParam)))
        return reinterpret_cast<LRESULT>(brush);
      break;
    default:
      break;
  }
  return DefaultHandling(message, wParam, lParam);
}
