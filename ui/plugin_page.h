// The plug-in page: registered plug-ins, their macros and values.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <string>

#include "toolkit/handles.h"
#include "ui/page.h"
#include "ui/page_host.h"

struct tagPLUGININFO;

class TPluginPage : public TPage {
 public:
  TPluginPage(TPageHost& host, HWND panel, HFONT font);

  void OnIdle() override;

  // A file dropped on the window while this page shows: the path of a plug-in to register.
  void SetPluginPath(const std::string& path);

  // Appends the row of a registration and returns its index.
  int AddPluginItem(const tagPLUGININFO& registration);
  // The rows anew, one per registration, in one redraw.
  void FillList();

  // Reads and normalises the entry fields and checks them, showing the message of the last
  // failing check. `excludeIndex` is the registration being updated, -1 when adding.
  bool CheckPluginInput(int excludeIndex, std::string& path, std::string& value,
                        std::string& macro);

  void lvPluginSelectItem(int row, bool selected);
  void btnPlugAddClick();
  void btnPlugUpdateClick();
  void btnPlugDeleteClick();
  void btnPluginSettingClick();
  void tbbPluginPathClick();

 private:
  void CreateControls();
  void ClearPluginInput();

  TPageHost& host_;
  HWND panel_;
  HFONT font_;
  TImageList imgButtons_;
  std::string lastOpenedFile_;

  HWND lvPlugin = nullptr;
  HWND panPlugin = nullptr;
  HWND edtPlugPath = nullptr;
  HWND tbPluginPath = nullptr;
  HWND edtValue = nullptr;
  HWND edtMacro = nullptr;
  HWND btnPlugAdd = nullptr;
  HWND btnPlugUpdate = nullptr;
  HWND btnPlugDelete = nullptr;
  HWND btnPluginSetting = nullptr;
};
