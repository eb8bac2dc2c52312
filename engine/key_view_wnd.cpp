#include "engine/key_view_wnd.h"

#include <cstring>

#include "data/key_manager.h"
#include "data/key_name_manager.h"
#include "data/setting.h"
#include "engine/command_executor.h"
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

static_assert(kKeyWithheldBit == NL_KEY_WITHHELD && kKeyReplayedBit == NL_KEY_REPLAYED);

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
  bool GuideVisible() const override { return window.Visible(); }
  bool CaptureOwnsMode() const override { return window.IsCapturing && window.IsCapturing(); }
  bool ShowKeyView() const override { return setting && setting->ShowKeyView; }
  bool HideCursor() const override { return setting && setting->HideCursor; }
  bool KeyIsDown(uint32_t virtualKey) const override {
    return (GetAsyncKeyState(static_cast<int>(virtualKey)) & 0x8000) != 0;
  }
  uint32_t NowMs() const override { return GetTickCount(); }
  bool DeliverUnmatchedKeys() const override { return !setting || setting->SendUnmatchedKeys; }

  TKeyViewWnd& window;
  TKeyDispatcher dispatcher;
  TCommandExecutor executor;
  TResendQueue resend;
  uintptr_t keysHandled = 0;
  bool settlePosted = false;  // a kSettleModeMessage is queued
  // The mode the last decision asked for; while re-sent keys are on their way the keyboard stays
  // withheld instead, so that no key typed meanwhile overtakes them.
  TDispatchMode wantedMode = TDispatchMode::kPass;
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
  impl_->executor.HideGuide = [this] { ShowWindow(Handle(), SW_HIDE); };
  impl_->executor.ShowSettings = [this] {
    if (ShowSettings) ShowSettings();
  };
  nlStartHook(Handle());
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
  if (decision.mode) impl_->wantedMode = *decision.mode;
  if (!decision.replay.empty()) Resend(decision.replay);
  else if (decision.mode) SettleMode();
  if (decision.rebuildGuide) BuildGuide();
  if (decision.showGuide) ShowGuide();
  if (decision.hideGuide) ShowWindow(Handle(), SW_HIDE);
  if (decision.cursor == TCursorChange::kHide) ShowCursor(FALSE);
  if (decision.cursor == TCursorChange::kShow) ShowCursor(TRUE);
  if (decision.executed) impl_->executor.Execute(*decision.executed);
}

void TKeyViewWnd::SetMode(TDispatchMode mode) { nlSetDispatchMode(static_cast<signed char>(mode)); }

void TKeyViewWnd::BeginCapture() { SetMode(TDispatchMode::kSwallow); }

void TKeyViewWnd::EndCapture() { SetMode(TDispatchMode::kPass); }

// Gives the keyboard the mode last decided, unless re-sent keys are on their way or a chord box
// owns it. Passing waits while reports are still queued: a key withheld meanwhile would otherwise
// be overtaken by keys typed after it, which would pass at once.
void TKeyViewWnd::SettleMode() {
  if (impl_->resend.Busy() || impl_->CaptureOwnsMode()) return;
  const bool reportsWaiting = (HIWORD(GetQueueStatus(QS_POSTMESSAGE)) & QS_POSTMESSAGE) != 0;
  if (impl_->wantedMode == TDispatchMode::kPass && reportsWaiting) {
    if (!impl_->settlePosted) impl_->settlePosted = PostMessageA(Handle(), kSettleModeMessage, 0, 0) != FALSE;
    return;
  }
  SetMode(impl_->wantedMode);
}

namespace {

INPUT KeyInput(const TKeyEvent& event) {
  INPUT input = {};
  input.type = INPUT_KEYBOARD;
  input.ki.wVk = static_cast<WORD>(event.virtualKey);
  input.ki.wScan = static_cast<WORD>((event.flags >> 16) & 0xFF);
  input.ki.dwFlags = KEYEVENTF_SCANCODE;
  if (IsExtendedFlags(event.flags)) input.ki.dwFlags |= KEYEVENTF_EXTENDEDKEY;
  if (IsReleaseFlags(event.flags)) input.ki.dwFlags |= KEYEVENTF_KEYUP;
  input.ki.dwExtraInfo = NL_REPLAY_MARK;
  return input;
}

}  // namespace

// Withheld key events go to the focused window again, by scan code with their extended flag.
// The keyboard stays withheld until the last is back, so no key typed meanwhile overtakes them.
void TKeyViewWnd::Resend(const std::vector<TKeyEvent>& events) {
  impl_->resend.Add(events);
  SetMode(TDispatchMode::kSwallow);
  SendNextResent();
}

void TKeyViewWnd::SendNextResent() {
  const std::optional<TKeyEvent> next = impl_->resend.StartNext();
  if (!next) {
    if (!impl_->resend.Busy()) EndResend();
    return;
  }
  nlExpectResentKey(next->virtualKey, next->flags);
  INPUT input = KeyInput(*next);
  SendInput(1, &input, sizeof input);
  SetTimer(Handle(), kResendTimer, kResendReturnMs, nullptr);
}

// One did not come back in time (it went to a window without the hook): the rest go at once.
void TKeyViewWnd::GiveUpResend() {
  nlExpectResentKey(0, 0);
  std::vector<INPUT> inputs;
  for (const TKeyEvent& event : impl_->resend.GiveUp()) inputs.push_back(KeyInput(event));
  EndResend();
  if (!inputs.empty()) SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
}

// The keyboard gets the mode last asked for, unless a chord box has taken it over meanwhile.
void TKeyViewWnd::EndResend() {
  KillTimer(Handle(), kResendTimer);
  SettleMode();
}

void TKeyViewWnd::OnHookKey(UINT virtualKey, LPARAM flags) {
  const uint32_t reported = static_cast<uint32_t>(flags);
  if (reported & kKeyReplayedBit) {  // a re-sent event, back: never a new one
    if (!impl_->resend.InFlight()) return;
    impl_->resend.Returned();
    SendNextResent();
    return;
  }
  Apply(impl_->dispatcher.EvaluateKeyEvent(virtualKey, reported), virtualKey,
        static_cast<LPARAM>(reported & ~kKeyWithheldBit));
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
      OnHookKey(static_cast<UINT>(wParam), lParam);
      break;
    case WM_HOOK_ACTIVATE:
      Apply(impl_->dispatcher.WindowActivated(), 0, 0);
      break;
    case kSettleModeMessage:
      impl_->settlePosted = false;
      SettleMode();
      return 0;
    case WM_TIMER:
      if (wParam != kResendTimer) break;
      GiveUpResend();
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
