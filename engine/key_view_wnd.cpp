#include "engine/key_view_wnd.h"

#include <cstring>

#include "data/key_manager.h"
#include "data/key_name_manager.h"
#include "data/setting.h"
#include "engine/command_executor.h"
#include "engine/foreground_program.h"
#include "engine/guide_layout.h"
#include "engine/guide_screen.h"
#include "engine/key_dispatcher.h"
#include "engine/key_view_document.h"
#include "engine/resend_queue.h"
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

struct TKeyViewWnd::Impl : TKeyDispatcherHost {
  explicit Impl(TKeyViewWnd& owner) : window(owner), dispatcher(*this) {}

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

  TKeyViewWnd& window;
  TKeyDispatcher dispatcher;
  TCommandExecutor executor;
  TResendQueue resend;
  uintptr_t keysHandled = 0;   // reports of key events, for the window property
  UINT reportsHandled = 0;      // every report, re-sent events' too, for the hooks
  UINT unansweredRead = 0;      // reports of keys the hooks passed unanswered
  UINT withheldRead = 0;        // reports of withheld keys
  bool settlePosted = false;  // a kSettleModeMessage is queued
  // The guide as the decisions left it; the window follows once no key report waits, so that
  // a burst of keys is decided at the speed of the decisions, not of drawing windows.
  bool guideWanted = false;
  bool guideRebuild = false;
  // The mode the last decision asked for; while re-sent keys are on their way the keyboard stays
  // withheld instead, so that no key typed meanwhile overtakes them.
  TDispatchMode wantedMode = TDispatchMode::kPass;
  std::vector<uint16_t> wantedContinuation;  // with a swallowing mode: keys the chord goes on with
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

void TKeyViewWnd::ResetChord() { Apply(impl_->dispatcher.ResetChord(), 0, 0); }

void TKeyViewWnd::SetPaused(bool paused) {
  if (paused == Paused()) return;
  Apply(impl_->dispatcher.SetPaused(paused), 0, 0);
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

// The mode is set before anything else can take time, and the assignment runs last, so keys
// typed meanwhile meet the mode of the finished decision.
void TKeyViewWnd::Apply(const TKeyDecision& decision, UINT virtualKey, LPARAM flags) {
  if (decision.forwardToCapture && OnKeyCapture) OnKeyCapture(this, virtualKey, flags);
  if (decision.mode) {
    impl_->wantedMode = *decision.mode;
    impl_->wantedContinuation = decision.continuation;
  }
  if (!decision.replay.empty()) Resend(decision.replay);
  else if (decision.mode) SettleMode();
  if (decision.rebuildGuide) impl_->guideRebuild = true;
  if (decision.showGuide) impl_->guideWanted = true;
  if (decision.hideGuide) impl_->guideWanted = impl_->guideRebuild = false;
  if (decision.rebuildGuide || decision.showGuide || decision.hideGuide) UpdateGuideSoon();
  if (decision.cursor == TCursorChange::kHide) ShowCursor(FALSE);
  if (decision.cursor == TCursorChange::kShow) ShowCursor(TRUE);
  if (decision.executed) impl_->executor.Execute(*decision.executed);
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

// Whether key reports wait, posted by the hooks and not handled yet (the hooks count them);
// asked without handling a message sent meanwhile, which peeking at the queue would.
bool TKeyViewWnd::KeyReportsWaiting() const { return nlReportsWaiting() > 0; }

// Whether the report of a withheld key waits unhandled. Forged reports or a forged count cannot
// make it so for good: with no report waiting at all, the counts agree again.
bool TKeyViewWnd::WithheldKeyWaits() {
  const UINT reported = nlWithheldReported();
  UINT& read = impl_->withheldRead;
  if (read > reported || (reported > read && !KeyReportsWaiting())) read = reported;
  return reported > read;
}

// A swallowing mode with keys a chord goes on with lets the hooks pass the others; the list goes in
// before the mode, and goes before any other mode is set.
void TKeyViewWnd::SetMode(TDispatchMode mode, const std::vector<uint16_t>& continuation) {
  const bool listed = mode == TDispatchMode::kSwallow && !continuation.empty();
  nlSetContinuation(listed ? continuation.data() : nullptr, listed ? static_cast<UINT>(continuation.size()) : 0);
  nlSetDispatchMode(static_cast<signed char>(mode));
}

void TKeyViewWnd::BeginCapture() { SetMode(TDispatchMode::kSwallow); }

void TKeyViewWnd::EndCapture() { SetMode(TDispatchMode::kPass); }

// Gives the keyboard the mode last decided, unless re-sent keys are on their way or a chord box
// owns it. Whatever lets keys pass waits while the report of a withheld key is still queued: that
// key would otherwise be overtaken by keys typed after it (a swallowing mode holds them meanwhile).
void TKeyViewWnd::SettleMode() {
  if (impl_->resend.Busy() || impl_->CaptureOwnsMode()) return;
  const bool letsKeysPass = impl_->wantedMode == TDispatchMode::kPass || !impl_->wantedContinuation.empty();
  if (letsKeysPass && WithheldKeyWaits()) {
    if (impl_->wantedMode == TDispatchMode::kSwallow) SetMode(TDispatchMode::kSwallow);
    if (!impl_->settlePosted) impl_->settlePosted = PostMessageA(Handle(), kSettleModeMessage, 0, 0) != FALSE;
    return;
  }
  SetMode(impl_->wantedMode, impl_->wantedContinuation);
}

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

void SendKeys(const std::vector<TKeyEvent>& events) {
  const UINT scanMark = nlResentScanMark();
  std::vector<INPUT> inputs;
  inputs.reserve(events.size());
  for (const TKeyEvent& event : events) inputs.push_back(KeyInput(event, scanMark));
  if (!inputs.empty()) SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
}

}  // namespace

// Withheld key events go to the focused window again, each in the key state it was typed in.
// The keyboard stays withheld until the last is back, so no key typed meanwhile overtakes them.
void TKeyViewWnd::Resend(const std::vector<TKeyEvent>& events) {
  impl_->resend.Add(events);
  SetMode(TDispatchMode::kSwallow);
  SendNextBatch();
}

// A batch goes at once, as one input: the hooks know its events by their mark, and take the key
// state each was typed in from the batch announced in the shared block.
void TKeyViewWnd::SendNextBatch() {
  const std::vector<TKeyEvent> batch = impl_->resend.StartBatch(kResendBatchMost);
  if (batch.empty()) {
    if (!impl_->resend.Busy()) EndResend();
    return;
  }
  std::vector<NL_RESENT_KEY> entries;
  entries.reserve(batch.size());
  for (const TKeyEvent& event : batch) entries.push_back(ResentKeyOf(event));
  nlQueueResentKeys(entries.data(), static_cast<UINT>(entries.size()));
  SendKeys(batch);
  SetTimer(Handle(), kResendTimer, kResendReturnMs, nullptr);
}

// One did not come back in time (it went to a window without the hook): the rest go at once.
void TKeyViewWnd::GiveUpResend() {
  nlQueueResentKeys(nullptr, 0);
  const std::vector<TKeyEvent> rest = impl_->resend.GiveUp();
  EndResend();
  SendKeys(rest);
}

// The keyboard gets the mode last asked for, unless a chord box has taken it over meanwhile.
void TKeyViewWnd::EndResend() {
  KillTimer(Handle(), kResendTimer);
  SettleMode();
}

void TKeyViewWnd::OnHookKey(WPARAM key, LPARAM flags) {
  uint32_t reported = static_cast<uint32_t>(flags);
  const UINT passedUnanswered = nlSetReportsHandled(++impl_->reportsHandled);
  if (reported & kKeyWithheldBit) ++impl_->withheldRead;
  UINT& read = impl_->unansweredRead;
  if (reported & kKeyUnansweredBit) ++read;
  if (read > passedUnanswered) read = passedUnanswered;  // a forged report, or one read before it was counted
  else if (passedUnanswered > read) reported |= kKeyUnansweredBit;  // came before keys the hooks passed
  // Once no report waits, every key the hooks passed has been read: the counts agree again, even
  // after a forged count.
  if (passedUnanswered > read && !KeyReportsWaiting()) read = passedUnanswered;
  if (reported & kKeyReplayedBit) {  // a re-sent event, back: never a new one
    if (impl_->resend.Returned()) {
      KillTimer(Handle(), kResendTimer);
      SendNextBatch();
    }
    return;
  }
  const UINT virtualKey = LOWORD(key);
  Apply(impl_->dispatcher.EvaluateKeyEvent(virtualKey, reported, static_cast<uint8_t>(NL_REPORT_STATE(key))),
        virtualKey, static_cast<LPARAM>(reported & ~kKeyReportBits));
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
      Apply(impl_->dispatcher.WindowActivated(), 0, 0);
      break;
    case kSettleModeMessage:
      impl_->settlePosted = false;
      SettleMode();
      return 0;
    case WM_TIMER:
      if (wParam == kGuideTimer) ShowWantedGuide();
      else if (wParam == kGuideUpdateTimer) UpdateGuide();
      else if (wParam == kResendTimer) GiveUpResend();
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
