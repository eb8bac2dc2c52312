// The settings page: the key guide's look, its position and the start-up shortcut.
#pragma once

#include <windows.h>

#include "data/setting.h"
#include "engine/key_guide.h"
#include "ui/page.h"
#include "ui/page_host.h"

class TSettingPage : public TPage {
 public:
  TSettingPage(TPageHost& host, HWND panel, HFONT font);

  // The controls and the font dialog's font from the settings.
  void LoadFrom(const TSetting& setting);
  // The controls and the font dialog's font into the settings, in the settings' order.
  void SaveTo(TSetting& setting) const;
  // What a load into the page and a save from it make of the settings, for a save while the
  // page was never built.
  static void PassThrough(TSetting& setting);
  // The key guide's look as the page shows it, between load and save; the host is given it at
  // every change.
  TGuideStyle GuideStyle() const;

  void ColorPanelClick(HWND panel);
  void btnSelFontClick();

 private:
  // The seven colour panels, in the order of the settings they edit.
  enum TColorIndex { kTextColor, kProgColor, kBackColor, kText2Color, kProg2Color, kBack2Color, kEdgeColor, kColorCount };

  void CreateControls();
  void CreateColorGroup();
  void CreateTimeRows();

  TPageHost& host_;
  HWND panel_;
  HFONT font_;

  HWND chkShowKeyView = nullptr;
  HWND grpKeyGuide = nullptr;
  HWND colorPanels_[kColorCount] = {};
  HWND btnSelFont = nullptr;
  HWND cmbKeyViewPos = nullptr;
  HWND chkStartUp = nullptr;
  HWND chkHideCursor = nullptr;
  HWND chkSendUnmatchedKeys = nullptr;
  HWND edtExcludePrograms = nullptr;
  HWND edtKeyViewDelay = nullptr;    // milliseconds
  HWND edtSequenceTimeout = nullptr;

  LOGFONTA fontInfo_;
  COLORREF fontColor_;
  COLORREF customColors_[16];
};
