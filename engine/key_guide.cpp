#include "engine/key_guide.h"

#include <algorithm>

#include "engine/guide_screen.h"
#include "engine/key_view_document.h"
#include "toolkit/dpi.h"
#include "toolkit/handles.h"
#include "toolkit/setting_font.h"

namespace {

constexpr UINT_PTR kShowTimer = 2;
constexpr UINT_PTR kUpdateTimer = 3;
constexpr UINT_PTR kBuildTimer = 4;
constexpr UINT kShortestDelayMs = 50;
constexpr size_t kRowsPerStep = 8;

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

TGuideStyle GuideStyleOf(const TSetting& setting) {
  return {FontFromSetting(setting, InitialGuideFont()), GuidePaletteOf(setting), setting.KeyViewPos};
}

struct TKeyGuide::State {
  State(const TKeyGuide& guide, HWND guideWindow) : owner(guide), window(guideWindow), document(guideWindow) {}

  const TKeyGuide& owner;  // for the rows and the delay it is given
  HWND window;
  TGuideStyle style = GuideStyleOf(TSetting());
  TFont font{CreateFontIndirectA(&style.font)};
  // The font at the DPI of the monitor the guide last showed on, when that is another one.
  TFont monitorFont;
  int monitorFontDpi = 0;
  TBrush edgeBrush;
  TColor edgeColor = 0;
  // The guide as the decisions left it; the window follows once no key report waits, so that
  // a burst of keys is decided at the speed of the decisions, not of drawing windows.
  bool wanted = false;
  bool rebuild = false;
  // The guide being built: its rows, how many have labels, and where and in what font.
  std::vector<TGuideRowText> pendingRows;
  size_t pendingAt = 0;
  bool showWhenBuilt = false;
  TMonitorArea buildMonitor{};
  HFONT buildFont = nullptr;
  // Last, so that its labels go before the fonts they use.
  TKeyViewDocument document;

  bool Visible() const { return IsWindowVisible(window) != FALSE; }
  HFONT FontForMonitor(int dpi);
  void Build(bool showWhenBuilt);
  void ContinueBuild();
  void CancelBuild();
  void FinishBuild();
  void SetEdgeColor(TColor color);
  void Show();
  void UpdateSoon();
  void Update();
  void ShowWanted();
};

TKeyGuide::TKeyGuide(HWND window) : state_(std::make_unique<State>(*this, window)) {}

TKeyGuide::~TKeyGuide() = default;

void TKeyGuide::SetStyle(const TGuideStyle& style) {
  state_->style = style;
  TFont created(CreateFontIndirectA(&style.font));
  if (created) state_->font = std::move(created);
  state_->monitorFont.Reset();
  state_->monitorFontDpi = 0;
}

const TGuideStyle& TKeyGuide::Style() const { return state_->style; }

HFONT TKeyGuide::State::FontForMonitor(int dpi) {
  if (dpi == SystemDpi()) return font.Get();
  if (!monitorFont || monitorFontDpi != dpi) {
    const LOGFONTA scaled = FontForDpi(style.font, dpi);
    monitorFont.Reset(CreateFontIndirectA(&scaled));
    monitorFontDpi = dpi;
  }
  return monitorFont ? monitorFont.Get() : font.Get();
}

// The labels are made a few rows at a time, each step after the key reports waiting then (a
// timer's message comes only when no posted message waits): a guide of many rows never holds up
// a decision. The rows are those of the chord when the build begins; a new chord begins it anew.
void TKeyGuide::State::Build(bool showAfter) {
  document.Clear();
  buildMonitor = GuideMonitorNow(window);
  buildFont = FontForMonitor(buildMonitor.dpi);
  pendingRows = owner.Rows ? owner.Rows(RowsThatFit(buildMonitor.monitor, buildFont)) : std::vector<TGuideRowText>();
  pendingAt = 0;
  showWhenBuilt = showAfter;
  ContinueBuild();
}

void TKeyGuide::State::ContinueBuild() {
  KillTimer(window, kBuildTimer);
  const size_t end = std::min(pendingRows.size(), pendingAt + kRowsPerStep);
  for (; pendingAt < end; ++pendingAt)
    document.AddRow(pendingRows[pendingAt].keysText, pendingRows[pendingAt].programName, buildFont);
  if (pendingAt < pendingRows.size()) {
    if (SetTimer(window, kBuildTimer, 0, nullptr)) return;
    return ContinueBuild();
  }
  pendingRows.clear();
  FinishBuild();
}

void TKeyGuide::State::CancelBuild() {
  KillTimer(window, kBuildTimer);
  pendingRows.clear();
  pendingAt = 0;
  showWhenBuilt = false;
}

void TKeyGuide::State::FinishBuild() {
  const TGuideLayout layout = LayOutGuide(document.RowSizes(), buildMonitor.monitor, style.position,
                                          style.palette, TScale(buildMonitor.dpi));
  document.Apply(layout);
  SetEdgeColor(layout.edgeColor);
  SetWindowPos(window, nullptr, layout.formLeft, layout.formTop, layout.client.width, layout.client.height,
               SWP_NOZORDER | SWP_NOACTIVATE);
  InvalidateRect(window, nullptr, TRUE);
  if (showWhenBuilt && wanted) Show();
  showWhenBuilt = false;
}

void TKeyGuide::State::SetEdgeColor(TColor color) {
  if (edgeBrush && edgeColor == color) return;
  edgeBrush.Reset(CreateSolidBrush(color));
  edgeColor = color;
}

// Shown without drawing at once: its rows paint on their own messages, after the key reports.
void TKeyGuide::State::Show() {
  SetWindowPos(window, HWND_TOPMOST, 0, 0, 0, 0,
               SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE | SWP_SHOWWINDOW | SWP_NOREDRAW);
  RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_FRAME);
}

void TKeyGuide::Change(bool rebuild, bool show, bool hide) {
  State& s = *state_;
  // Most keys begin no chord and hide a guide that is not there: nothing to do, no timer to set.
  if (hide && !rebuild && !show && !s.wanted && !s.Visible()) return;
  if (rebuild) s.rebuild = true;
  if (show) s.wanted = true;
  if (hide) s.wanted = s.rebuild = false;
  s.UpdateSoon();
}

bool TKeyGuide::Wanted() const { return state_->wanted; }

// The guide is drawn once the key reports queued now have been handled (a timer's message comes
// only when no posted message waits), with the rows of the chord as it is by then.
void TKeyGuide::State::UpdateSoon() {
  if (!SetTimer(window, kUpdateTimer, 0, nullptr)) Update();
}

// A hidden guide shows only once the chord has stayed unfinished a moment (at least the user's
// delay, counted from the last key): keys sent in a burst (an auto-type, a scanner) never make it
// flash, nor wait while it is drawn, and a user who knows the keys never sees it.
void TKeyGuide::State::Update() {
  KillTimer(window, kUpdateTimer);
  if (!wanted) {
    KillTimer(window, kShowTimer);
    CancelBuild();
    if (Visible()) ShowWindow(window, SW_HIDE);
    return;
  }
  if (!Visible()) {
    const int delay = owner.ShowDelayMs ? owner.ShowDelayMs() : 0;
    SetTimer(window, kShowTimer, std::max(kShortestDelayMs, static_cast<UINT>(std::max(delay, 0))), nullptr);
    return;
  }
  if (rebuild) Build(false);
  rebuild = false;
}

void TKeyGuide::State::ShowWanted() {
  KillTimer(window, kShowTimer);
  if (!wanted || Visible()) return;
  Build(true);
  rebuild = false;
}

void TKeyGuide::HideNow() {
  State& s = *state_;
  s.wanted = s.rebuild = false;
  KillTimer(s.window, kShowTimer);
  s.CancelBuild();
  ShowWindow(s.window, SW_HIDE);
}

bool TKeyGuide::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
  State& s = *state_;
  switch (message) {
    case WM_TIMER:
      if (wParam == kShowTimer) s.ShowWanted();
      else if (wParam == kUpdateTimer) s.Update();
      else if (wParam == kBuildTimer) s.ContinueBuild();
      else return false;
      result = 0;
      return true;
    case WM_SHOWWINDOW:
      if (!wParam) s.document.Clear();
      return false;
    case WM_MOUSEACTIVATE:
      result = MA_NOACTIVATE;
      return true;
    case WM_ERASEBKGND: {
      RECT client;
      GetClientRect(s.window, &client);
      FillRect(reinterpret_cast<HDC>(wParam), &client, s.edgeBrush ? s.edgeBrush.Get() : GetSysColorBrush(COLOR_WINDOW));
      result = 1;
      return true;
    }
    case WM_CTLCOLORSTATIC:
      if (HBRUSH brush = s.document.LabelColors(reinterpret_cast<HWND>(lParam), reinterpret_cast<HDC>(wParam))) {
        result = reinterpret_cast<LRESULT>(brush);
        return true;
      }
      return false;
    default:
      return false;
  }
}
