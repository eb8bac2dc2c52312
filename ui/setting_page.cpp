#include "ui/setting_page.h"

#include <commdlg.h>

#include <cstring>

#include "data/program_scope.h"
#include "toolkit/color_panel.h"
#include "toolkit/command_map.h"
#include "toolkit/controls.h"
#include "toolkit/setting_font.h"
#include "ui/control_ids.h"

namespace {

// The group's origin on the page; the controls inside are placed relative to it.
const int kGroupLeft = 8;
const int kGroupTop = 31;

TControlPlace InGroup(const TScale& scale, int left, int top, int width, int height) {
  return scale.Place({kGroupLeft + left, kGroupTop + top, width, height});
}

// Places of the colour panels in the group, in the order of TColorIndex.
const POINT kColorPanelPlaces[] = {{64, 36}, {144, 36}, {222, 36}, {64, 62},
                                   {144, 62}, {222, 62}, {334, 62}};

// The names of the typed list; empty items are dropped and a path stands for its file name.
TTextList ExcludedProgramNames(const std::string& text) {
  TTextList typed, names;
  ParseTypedProgramList(text, typed);
  for (const std::string& name : typed)
    if (!ProgramFileNameOf(name).empty()) names.push_back(ProgramFileNameOf(name));
  return names;
}

}  // namespace

TSettingPage::TSettingPage(TPageHost& host, HWND panel, HFONT font)
    : host_(host), panel_(panel), font_(font), fontInfo_(InitialGuideFont()),
      fontColor_(GetSysColor(COLOR_WINDOWTEXT)) {
  for (COLORREF& color : customColors_) color = RGB(255, 255, 255);
  CreateControls();
}

// Created in tab order: the check box, the group with its button, the list, then the two
// check boxes below it.
void TSettingPage::CreateControls() {
  const TScale& s = host_.LayoutScale();
  chkShowKeyView = CreateCheckBox(panel_, "キーガイドを表示する(&G)", s.Place({8, 8, 139, 17}), font_,
                                  kShowKeyViewId);
  CreateColorGroup();
  CreateLabel(panel_, "キーガイドの表示位置(&P)", s.Place({8, 140, 128, 13}), font_);
  cmbKeyViewPos = CreateDropDownList(panel_, s.Place({136, 136, 145, 20}), font_, kKeyViewPosId,
                                     {"中央", "左上", "左下", "右上", "右下"});
  host_.Commands().OnCommand(cmbKeyViewPos, CBN_SELCHANGE, [this] { host_.SetGuideStyle(GuideStyle()); });
  chkStartUp = CreateCheckBox(panel_, "スタートアップに登録する(&S)", s.Place({8, 188, 153, 17}), font_,
                              kStartUpId);
  chkHideCursor = CreateCheckBox(panel_, "キーガイド表示時にカーソルを隠す(&H)",
                                 s.Place({8, 164, 201, 17}), font_, kHideCursorId);
  chkSendUnmatchedKeys = CreateCheckBox(panel_, "組み合わせにならなかったキーを送る(&K)",
                                        s.Place({8, 212, 201, 17}), font_, kSendUnmatchedKeysId);
  for (HWND checkBox : {chkShowKeyView, chkStartUp, chkHideCursor, chkSendUnmatchedKeys})
    WidenToCaption(checkBox, s.Dpi());
  CreateLabel(panel_, "Vakroを使わないプログラム (カンマ区切り)(&X)", s.Place({8, 240, 404, 13}), font_);
  edtExcludePrograms = CreateEdit(panel_, s.Place({8, 256, 404, 20}), font_, kExcludeProgramsId, 1024);
  CreateTimeRows();
}

void TSettingPage::CreateTimeRows() {
  const TScale& s = host_.LayoutScale();
  CreateLabel(panel_, "ガイドを表示するまでの時間 (ミリ秒)(&D)", s.Place({8, 288, 250, 13}), font_);
  edtKeyViewDelay = CreateEdit(panel_, s.Place({260, 284, 60, 20}), font_, kKeyViewDelayId, 5);
  CreateLabel(panel_, "順に押すキーを待つ時間 (ミリ秒)(&Q)", s.Place({8, 314, 250, 13}), font_);
  edtSequenceTimeout = CreateEdit(panel_, s.Place({260, 310, 60, 20}), font_, kSequenceTimeoutId, 5);
}

void TSettingPage::CreateColorGroup() {
  const TScale& s = host_.LayoutScale();
  grpKeyGuide = CreateGroupBox(panel_, "キーガイドの配色", s.Place({kGroupLeft, kGroupTop, 404, 98}),
                               font_);
  CreateLabel(panel_, "キー文字色", InGroup(s, 52, 20, 60, 13), font_);
  CreateLabel(panel_, "プログラム文字色", InGroup(s, 121, 20, 96, 13), font_);
  CreateLabel(panel_, "背景色", InGroup(s, 218, 20, 40, 13), font_);
  CreateLabel(panel_, "奇数行", InGroup(s, 12, 41, 40, 13), font_);
  CreateLabel(panel_, "偶数行", InGroup(s, 12, 66, 40, 13), font_);
  CreateLabel(panel_, "枠の色", InGroup(s, 290, 66, 40, 13), font_);
  for (int i = 0; i < kColorCount; ++i) {
    const POINT at = kColorPanelPlaces[i];
    HWND colorPanel = CreateColorPanel(panel_, InGroup(s, at.x, at.y, 33, 21),
                                       static_cast<WORD>(kColorPanelId + i), 0);
    host_.Commands().OnClick(colorPanel, [this, colorPanel] { ColorPanelClick(colorPanel); });
    colorPanels_[i] = colorPanel;
  }
  btnSelFont = CreateButton(panel_, "フォント(F)...", InGroup(s, 288, 36, 88, 21), font_, kSelFontId);
  host_.Commands().OnClick(btnSelFont, [this] { btnSelFontClick(); });
}

void TSettingPage::LoadFrom(const TSetting& setting) {
  SetChecked(chkShowKeyView, setting.ShowKeyView);
  const TColor colors[kColorCount] = {setting.TextColor,  setting.ProgColor,  setting.BackColor,
                                  setting.TextColor2, setting.ProgColor2, setting.BackColor2,
                                  setting.EdgeColor};
  for (int i = 0; i < kColorCount; ++i) SetColorPanelColor(colorPanels_[i], colors[i]);
  fontInfo_ = FontFromSetting(setting, fontInfo_);
  SetChecked(chkStartUp, setting.StartUp);
  // A position outside the list leaves it without a selection.
  SendMessageA(cmbKeyViewPos, CB_SETCURSEL, static_cast<WPARAM>(PositionInList(setting.KeyViewPos)), 0);
  SetChecked(chkHideCursor, setting.HideCursor);
  SetChecked(chkSendUnmatchedKeys, setting.SendUnmatchedKeys);
  SetControlText(edtExcludePrograms, TypedProgramList(setting.ExcludePrograms));
  SetControlText(edtKeyViewDelay, std::to_string(setting.KeyViewDelay));
  SetControlText(edtSequenceTimeout, std::to_string(setting.SequenceTimeout));
}

void TSettingPage::SaveTo(TSetting& setting) const {
  setting.ShowKeyView = IsChecked(chkShowKeyView);
  setting.TextColor = ColorPanelColor(colorPanels_[kTextColor]);
  setting.ProgColor = ColorPanelColor(colorPanels_[kProgColor]);
  setting.BackColor = ColorPanelColor(colorPanels_[kBackColor]);
  setting.TextColor2 = ColorPanelColor(colorPanels_[kText2Color]);
  setting.ProgColor2 = ColorPanelColor(colorPanels_[kProg2Color]);
  setting.BackColor2 = ColorPanelColor(colorPanels_[kBack2Color]);
  FontToSetting(fontInfo_, setting);
  setting.StartUp = IsChecked(chkStartUp);
  setting.EdgeColor = ColorPanelColor(colorPanels_[kEdgeColor]);
  // No selection is -1.
  setting.KeyViewPos = static_cast<int8_t>(SendMessageA(cmbKeyViewPos, CB_GETCURSEL, 0, 0));
  setting.HideCursor = IsChecked(chkHideCursor);
  setting.SendUnmatchedKeys = IsChecked(chkSendUnmatchedKeys);
  setting.ExcludePrograms = ExcludedProgramNames(GetControlText(edtExcludePrograms));
  // A box left empty or holding no time in range stands for the default.
  setting.KeyViewDelay = MillisecondsOrDefault(GetControlText(edtKeyViewDelay), 0, TSetting::kDefaultKeyViewDelay);
  setting.SequenceTimeout =
      MillisecondsOrDefault(GetControlText(edtSequenceTimeout), 1, TSetting::kDefaultSequenceTimeout);
}

// The font passes through the dialog's LOGFONT; a position outside the list becomes none.
void TSettingPage::PassThrough(TSetting& setting) {
  FontToSetting(FontFromSetting(setting, InitialGuideFont()), setting);
  setting.KeyViewPos = PositionInList(setting.KeyViewPos);
}

void TSettingPage::ColorPanelClick(HWND colorPanel) {
  CHOOSECOLORA dialog = {};
  dialog.lStructSize = sizeof dialog;
  dialog.hwndOwner = host_.OwnerWindow();
  dialog.rgbResult = ColorPanelColor(colorPanel);
  dialog.lpCustColors = customColors_;
  dialog.Flags = CC_RGBINIT | CC_FULLOPEN | CC_ANYCOLOR;
  if (!ChooseColorA(&dialog)) return;
  SetColorPanelColor(colorPanel, dialog.rgbResult);
  host_.SetGuideStyle(GuideStyle());
}

void TSettingPage::btnSelFontClick() {
  LOGFONTA chosen = fontInfo_;
  CHOOSEFONTA dialog = {};
  dialog.lStructSize = sizeof dialog;
  dialog.hwndOwner = host_.OwnerWindow();
  dialog.lpLogFont = &chosen;
  dialog.Flags = CF_SCREENFONTS | CF_NOVECTORFONTS | CF_SCRIPTSONLY | CF_EFFECTS |
                 CF_INITTOLOGFONTSTRUCT;
  dialog.rgbColors = fontColor_;
  if (!ChooseFontA(&dialog)) return;
  fontInfo_ = chosen;
  fontColor_ = dialog.rgbColors;
  host_.SetGuideStyle(GuideStyle());
}

TGuideStyle TSettingPage::GuideStyle() const {
  const auto color = [this](TColorIndex index) { return ColorPanelColor(colorPanels_[index]); };
  return {fontInfo_,
          {color(kTextColor), color(kProgColor), color(kBackColor), color(kText2Color), color(kProg2Color),
           color(kBack2Color), color(kEdgeColor)},
          static_cast<int>(SendMessageA(cmbKeyViewPos, CB_GETCURSEL, 0, 0))};
}
