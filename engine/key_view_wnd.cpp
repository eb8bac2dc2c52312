#include "engine/key_view_wnd.h"

#include <cstring>

#include "data/key_manager.h"
#include "data/key_name_manager.h"
#include "data/setting.h"
#include "engine/command_executor.h"
#include "engine/foreground_program.h"
#include "engine/guide_layout.h"
#include "engine/guide_screen.h"
#include "engine/key_decision_applier.h"
#include "engine/key_dispatcher.h"
#include "engine/key_view_document.h"
#include "hooklib/nodralib.h"
#include "toolkit/dpi.h"
#include "toolkit/handles.h"
#include "toolkit/setting_font.h"

namespace {

static_assert(kKeyWithheldBit == NL_KEY_WITHHELD && kKeyReplayedBit == NL_KEY_REPLAYED &&
              kKeyUnansweredBit == NL_KEY_UNANSWERED);

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
  bool KeyIsDown(uint32_t virtualKey) const override {
    return (GetAsyncKeyState(static_cast<int>(virtualKey)) & 0x8000) != 0;
  }
  uint32_t NowMs() const override { return GetTickCount(); }
  bool DeliverUnmatchedKeys() const override { return !setting || setting->SendUnmatchedKeys; }
  std::string ForegroundProgram() const override { return ForegroundProgramName(); }
  TTextList ExcludedPrograms() const override { return setting ? setting->ExcludePrograms : TTextList(); }

  void SetDispatchMode(TDispatchMode mode, const std::vector<uint16_t>& continuation) override;
  void AnnounceResentKeys(const std::vector<TKeyEvent>& events) override;
  void SendResentKeys(const std::vector<TKeyEvent>& events) override;
  void StartReturnTimer(uint32_t ms) override { SetTimer(window.Handle(), kResendTimer, ms, nullptr); }
  void StopReturnTimer() override { KillTimer(window.Handle(), kResendTimer); }
  bool PostSettle() override { return PostMessageA(window.Handle(), kSettleModeMessage, 0, 0) != FALSE; }
  uint32_t SetReportsHandled(uint32_t total) override { return nlSetReportsHandled(total); }
  uint32_t WithheldReported() const override { return nlWithheldReported(); }
  // Asked of the hooks' count, without handling a message sent meanwhile, which peeking at the
  // queue would.
  bool ReportsWaiting() const override { return nlReportsWaiting() > 0; }
  void HandToCapture(uint32_t virtualKey, uint32_t keystrokeFlags) override {
    if (window.OnKeyCapture) window.OnKeyCapture(&window, virtualKey, static_cast<LPARAM>(keystrokeFlags));
  }
  void ChangeGuide(bool rebuild, bool show, bool hide) override;
  void ChangeCursor(TCursorChange change) override { ShowCursor(change == TCursorChange::kShow); }
  void Execute(const TKeyInfo& info) override { executor.Execute(info); }

  TKeyViewWnd& window;
  TKeyDispatcher dispatcher;
  TKeyDecisionApplier applier;
  TCommandExecutor executor;
  uintptr_t keysHandled = 0;   // reports of key events, for the window property
  // The guide as the decisions left it; the window follows once no key report waits, so that
  // a burst of keys is decided at the speed of the decisions, not of drawing windows.
  bool guideWanted = false;
  bool guideRebuild = false;
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
};

TKeyViewWnd::TKeyViewWnd() : impl_(std::make_unique<Impl>(*this)) {}

TKeyViewWnd::~TKeyViewWnd() {
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
  hotKeysStarted_ = nlStartHook(Handle()) != FALSE;
  return true;
}

void TKeyViewWnd::SetCollaborators(TKeyManager* keys, TSetting* setting, TKeyNameManager* names,
                                   TPluginManager* plugins) {
  impl_->keys = keys;
  impl_->setting = setting;
  impl_->names = names;
  impl_->executor.plugins = plugins;
  impl_->dispatcher.SetKeyManager(keys);
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

void TKeyViewWnd::ResetChord() { impl_->applier.Apply(impl_->dispatcher.ResetChord()); }

void TKeyViewWnd::SetPaused(bool paused) {
  if (paused == Paused()) return;
  impl_->applier.Apply(impl_->dispatcher.SetPaused(paused));
  if (OnPauseChanged) OnPauseChanged(paused);
}

bool TKeyViewWnd::Paused() const { return impl_->dispatcher.Paused(); }

void TKeyViewWnd::BuildGuide() {
  TKeyViewDocument& document = *impl_->document;
  document.Clear();
  const TMonitorArea monitor = GuideMonitorNow(Handle());
  HFONT font = FontForMonitor(monitor.dpi);
  for (const TGuideRowText& row : BuildGuideRows(impl_->dispatcher.Candidates(),
                                                impl_->dispatcher.HeldKeys().size(), impl_->names))
    document.AddRow(row.keysText, row.programName, font);
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
}

void TKeyViewWnd::SetEdgeColor(TColor color) {
  if (impl_->edgeBrush && impl_->edgeColor == color) return;
  impl_->edgeBrush.Reset(CreateSolidBrush(color));
  impl_->edgeColor = color;
}

void TKeyViewWnd::ShowGuide() {
  ShowWindow(Handle(), SW_SHOWNOACTIVATE);
  SetWindowPos(Handle(), HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

void TKeyViewWnd::Impl::ChangeGuide(bool rebuild, bool show, bool hide) {
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

// A hidden guide shows only once the chord has stayed unfinished a moment: keys sent in a burst
// (an auto-type, a scanner) never make it flash, nor wait while it is drawn.
void TKeyViewWnd::UpdateGuide() {
  KillTimer(Handle(), kGuideUpdateTimer);
  if (!impl_->guideWanted) {
    KillTimer(Handle(), kGuideTimer);
    if (Visible()) ShowWindow(Handle(), SW_HIDE);
    return;
  }
  if (!Visible()) {
    SetTimer(Handle(), kGuideTimer, kGuideDelayMs, nullptr);
    return;
  }
  if (impl_->guideRebuild) BuildGuide();
  impl_->guideRebuild = false;
}

void TKeyViewWnd::ShowWantedGuide() {
  KillTimer(Handle(), kGuideTimer);
  if (!impl_->guideWanted || Visible()) return;
  BuildGuide();
  impl_->guideRebuild = false;
  ShowGuide();
}

void TKeyViewWnd::HideGuideNow() {
  impl_->guideWanted = impl_->guideRebuild = false;
  KillTimer(Handle(), kGuideTimer);
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

namespace {

// A withheld event sent again, by scan code with its extended flag, carrying the re-send mark.
INPUT KeyInput(const TKeyEvent& event, UINT scanMark) {
  INPUT input = {};
  input.type = INPUT_KEYBOARD;
  input.ki.wVk = static_cast<WORD>(event.virtualKey);
  input.ki.wScan = static_cast<WORD>(((event.flags >> 16) & 0xFF) | scanMark);
  input.ki.dwFlags = KEYEVENTF_SCANCODE;
  if (IsExtendedFlags(event.flags)) input.ki.dwFlags |= KEYEVENTF_EXTENDEDKEY;
  if (IsReleaseFlags(event.flags)) input.ki.dwFlags |= KEYEVENTF_KEYUP;
  input.ki.dwExtraInfo = NL_REPLAY_MARK;
  return input;
}

NL_RESENT_KEY ResentKeyOf(const TKeyEvent& event) {
  NL_RESENT_KEY key;
  key.virtualKey = static_cast<unsigned char>(event.virtualKey);
  key.scanCode = static_cast<unsigned char>((event.flags >> 16) & 0xFF);
  key.flags = static_cast<unsigned char>((IsExtendedFlags(event.flags) ? NL_RESENT_EXTENDED : 0) |
                                         (IsReleaseFlags(event.flags) ? NL_RESENT_RELEASE : 0));
  key.keyState = event.keyState;
  return key;
}

}  // namespace

// The hooks take the key state each re-sent event was typed in from the batch in the shared block.
void TKeyViewWnd::Impl::AnnounceResentKeys(const std::vector<TKeyEvent>& events) {
  std::vector<NL_RESENT_KEY> entries;
  entries.reserve(events.size());
  for (const TKeyEvent& event : events) entries.push_back(ResentKeyOf(event));
  nlQueueResentKeys(entries.empty() ? nullptr : entries.data(), static_cast<UINT>(entries.size()));
}

void TKeyViewWnd::Impl::SendResentKeys(const std::vector<TKeyEvent>& events) {
  const UINT scanMark = nlResentScanMark();
  std::vector<INPUT> inputs;
  inputs.reserve(events.size());
  for (const TKeyEvent& event : events) inputs.push_back(KeyInput(event, scanMark));
  if (!inputs.empty()) SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
}

void TKeyViewWnd::OnHookKey(WPARAM key, LPARAM flags) {
  const std::optional<uint32_t> reported = impl_->applier.TakeReport(static_cast<uint32_t>(flags));
  if (!reported) return;  // a re-sent event, back
  const UINT virtualKey = LOWORD(key);
  const uint8_t keyState = static_cast<uint8_t>(NL_REPORT_STATE(key));
  impl_->applier.Apply(impl_->dispatcher.EvaluateKeyEvent(virtualKey, *reported, keyState), virtualKey,
                       *reported & ~kKeyReportBits);
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
    case kSettleModeMessage:
      impl_->applier.Settle();
      return 0;
    case WM_TIMER:
      if (wParam == kGuideTimer) ShowWantedGuide();
      else if (wParam == kGuideUpdateTimer) UpdateGuide();
      else if (wParam == kResendTimer) impl_->applier.ResendTimedOut();
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
