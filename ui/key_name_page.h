// The key-name page: aliases for keys without a platform name.
#pragma once

#include <windows.h>

#include <memory>
#include <string>

#include "ui/find_box.h"
#include "ui/page.h"
#include "ui/page_host.h"

struct TKeyName;

class TKeyNamePage : public TCapturePage {
 public:
  TKeyNamePage(TPageHost& host, HWND panel, HFONT font);

  HWND CaptureBox() const override { return edtSrcKey; }
  // The box shows the platform's name of the key, or its key code; never an alias.
  void CaptureKey(UINT virtualKey, LPARAM keystrokeFlags) override;
  // Ctrl+Backspace empties this page's box only.
  void ResetCapture() override;

  void OnIdle() override;

  // The list anew from the key-name table, one row per entry the find box finds.
  void FillList();
  TFindBox& FindBox() { return *findBox_; }

  void lvKeyNameSelectItem(int row, bool selected);
  void edtSrcKeyEnter();
  void edtSrcKeyExit();
  void btnKeyAddClick();
  void btnKeyUpdateClick();
  void btnKeyDeleteClick();

  // Checks the entry fields, showing the message of the last failing check; the key and the
  // name as read (trimmed).
  bool CheckKeyNameInput(bool adding, std::string& key, std::string& name);
  void ClearKeyNameInput();
  // New key texts for every assignment that holds `key`, in the assignments and in lvKey.
  void RefreshKeyTexts(const std::string& key);

 private:
  void CreateControls();
  TKeyName* SelectedEntry(int& row) const;
  // The table index of the selected row's entry, or -1.
  int SelectedIndex() const;
  void ShowCount();

  TPageHost& host_;
  HWND panel_;
  HFONT font_;
  std::unique_ptr<TFindBox> findBox_;

  HWND lvKeyName = nullptr;
  HWND panKeyNameConsole = nullptr;
  HWND edtSrcKey = nullptr;
  HWND edtDestName = nullptr;
  HWND btnKeyAdd = nullptr;
  HWND btnKeyUpdate = nullptr;
  HWND btnKeyDelete = nullptr;
};
