// The programs page: the list of assignments, the entry with its chord recorder, the two
// browse buttons and the app finder.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <memory>
#include <string>
#include <vector>

#include "data/chord.h"
#include "engine/chord_conflicts.h"
#include "toolkit/handles.h"
#include "ui/find_box.h"
#include "ui/key_entry.h"
#include "ui/output_keys.h"
#include "ui/page.h"
#include "ui/page_host.h"

class TKeyInfo;

class TKeyPage : public TCapturePage {
 public:
  TKeyPage(TPageHost& host, HWND panel, HFONT font);
  ~TKeyPage() override;

  HWND CaptureBox() const override { return edtKey; }
  // The arguments box records the keys to send while the entry sends keys.
  bool IsCaptureBox(HWND window) const override;
  void CaptureKey(UINT virtualKey, LPARAM keystrokeFlags) override;
  void CaptureRelease(UINT virtualKey, LPARAM keystrokeFlags) override;
  void ResetCapture() override;

  void OnIdle() override;

  // Rows for the assignments the find box finds (every one while it is empty), in the key
  // manager's order: lvKey only learns their count.
  void FillList();
  TFindBox& FindBox() { return *findBox_; }
  // FillList with no row selected and the first row in view (other rows, other assignments).
  void RefillUnselected();
  // A file dropped on the window: its path and folder into the entry.
  void SetDroppedFile(const std::string& path);
  // The finder's answer: the window asked, its module path and command line.
  void FindModuleResult(HWND target, const std::string& modulePath,
                        const std::string& commandLine);

  void ClearCaptureKey();
  void ClearEntry();

  // Redraws the row of assignment `index` after it changed.
  void ShowKeyText(int index);

 private:
  void CreateControls(HFONT font);
  void CreateFinder(HFONT font);
  void CreateTransferButtons(HWND panel, HFONT font);
  void CreateScopeRow(HFONT font);
  void CreateActionChoice(HFONT font);
  void CreateRaiseOptions(HFONT font);
  void panKeyConsoleResize();
  static LRESULT CALLBACK ConsoleProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam,
                                      UINT_PTR, DWORD_PTR page);
  static LRESULT CALLBACK FinderProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam,
                                     UINT_PTR, DWORD_PTR page);

  void lvKeySelectItem();
  void edtKeyEnter();
  void edtKeyExit();
  void btnKeyResetClick();
  void btnAddClick();
  void btnUpdateClick();
  void btnDeleteClick();
  void tbbPathClick();
  void tbbWorkPathClick();
  // The action choice and the 実行ファイル box follow each other.
  void cmbActionChange();
  void edtPathChange();
  // While the entry sends keys the arguments box records them and shows their names.
  void ShowKeysMode(bool on);
  void ShowArguments(const std::string& arguments);
  std::string ArgumentsText() const;
  void edtArgumentsEnter();
  void edtArgumentsExit();
  void btnKeysResetClick();
  void ShowOutputKeys();
  // The options of a program: enabled for a program only, minimising only with raising.
  void EnableRaiseOptions();
  bool RaiseChosen() const;
  bool MinimizeChosen() const;
  void StoreRaiseOptions(TKeyInfo& info) const;
  void btnExportClick();
  void btnImportClick();
  // The file-type filter of the export and take-in dialogs.
  static const char kTransferFilter[];
  void imgFinderMouseDown();
  void imgFinderMouseUp();
  void EndFinderDrag();

  // Reads and checks the entry; shows the message of the last failing check.
  bool CheckKeyInput(bool adding, TKeyEntry& entry, TProgramScope& scope);
  TProgramScope EntryScope() const;
  int ScopeIndex() const;
  void ShowScope(const TProgramScope& scope);
  void AddScopeProgram(const std::string& program);
  const TKeyInfo* RowInfo(int row) const;
  // The assignment shown in `row`, or -1; and the row showing assignment `index`, or -1.
  int IndexOfRow(int row) const;
  int RowOfIndex(int index) const;
  // The assignment of the one selected row, or -1 (none, or several).
  int SelectedIndex() const;
  // Fills in the text that lvKey asks for one cell.
  void lvKeyData(LVITEMA& item) const;
  // Rows whose chord can never fire are drawn greyed.
  LRESULT lvKeyCustomDraw(NMLVCUSTOMDRAW& draw) const;
  // The notes of every row, after the list changed, and the one of the chord being edited.
  void RefreshNotes();
  void ShowEditedNote();
  // The note line takes room below the entry only while it has something to say.
  void ShowNoteArea(bool shown);
  std::string AssignmentName(int index) const;
  void ShowEntry(const TKeyInfo& info);
  bool RecordsSequence() const;
  void PlaceSequenceBox(int margin);
  void chkSequenceClick();
  // Moves the focus to `control` and lets the focus change take effect before a dialog opens.
  void FocusBeforeDialog(HWND control);

  TPageHost& host_;
  std::unique_ptr<TFindBox> findBox_;
  std::vector<int> rows_;  // the assignment each row of lvKey shows
  TChord capturedKeys_;
  TOutputKeys outputKeys_;
  bool keysMode_ = false;        // the entry sends keys: the arguments box records them
  bool argumentsCapture_ = false;  // the arguments box has the focus and holds the keyboard
  std::vector<TChordNote> rowNotes_;
  bool noteShown_ = false;
  std::string lastOpenedFile_;
  std::string lastTransferFile_;
  TImageList imgButtons_;
  TIcon finderMark_;
  bool finderDragging_ = false;
  bool finderForScope_ = false;  // the drag began while the scope list had the focus
  static constexpr DWORD kFinderAnswerMs = 5000;
  HWND finderAsked_ = nullptr;  // the window of the request in flight
  DWORD finderAskedAt_ = 0;
  bool TakeFinderAnswer(HWND target);

  HWND lvKey = nullptr;
  HWND panKeyConsole = nullptr;
  HWND lblAppFindDesc = nullptr;
  HWND lblKeyNote = nullptr;
  HWND edtProgram = nullptr, edtKey = nullptr, edtPath = nullptr, edtArguments = nullptr,
       edtWorkPath = nullptr;
  HWND btnKeyReset = nullptr, btnAdd = nullptr, btnUpdate = nullptr, btnDelete = nullptr;
  HWND btnExport = nullptr, btnImport = nullptr;
  HWND cmbAction = nullptr, btnKeysReset = nullptr;
  HWND chkRaise = nullptr, chkMinimize = nullptr;
  HWND tbPath = nullptr, tbWorkPath = nullptr;
  HWND chkRepeat = nullptr;
  HWND chkSequence = nullptr;  // the key box records keys tapped one after another
  HWND cmbScope = nullptr, edtScope = nullptr;
  HWND imgFinder = nullptr;
};
