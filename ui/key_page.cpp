#include "ui/key_page.h"

#include <commdlg.h>

#include <algorithm>
#include <iterator>
#include <vector>

#include "data/key_manager.h"
#include "data/platform.h"
#include "engine/key_display.h"
#include "engine/key_view_wnd.h"
#include "hooklib/nodralib.h"
#include "shell/shell_object.h"
#include "data/path_text.h"
#include "toolkit/application.h"
#include "toolkit/controls.h"
#include "toolkit/key_box.h"
#include "toolkit/message_box.h"
#include "ui/nodra_wnd.h"

namespace {

enum ControlId : WORD {
  idKeyList = 201,
  idProgram, idKey, idKeyReset, idPath, idArguments, idWorkPath,
  idAdd, idUpdate, idDelete, idPathButton, idWorkPathButton, idRepeat, idFinder
};

const int kConsoleHeight = 235;
const int kMargin = 8;
const int kLabelWidth = 88;
const int kLabelHeight = 14;
// The finder cursor's hot spot is its top-left corner, the mark's centre 7 pixels further.
const int kFinderCentre = 7;
// Moving the pointer while the button is held can make some platforms (Wine) deliver the
// release to the window under the pointer instead of the one holding the mouse; the drag then
// also ends when the button is seen up.
const UINT_PTR kReleaseWatch = 1;
const UINT kReleaseWatchMs = 30;

const char kOpenTitle[] = "実行ファイルの選択";
const char kOpenFilter[] = "プログラム (*.exe)\0*.exe\0全てのファイル (*.*)\0*.*\0";
const char kWorkPathPrompt[] = "作業パスを選択してください。";
const char kFinderDescription[] =
    "このファインダをドラッグして任意のウィンドウにドロップすると、ウィンドウが属するプログラムが判ります。";

// A control's rectangle in its parent's client coordinates.
RECT PlaceInParent(HWND control) {
  RECT rect;
  GetWindowRect(control, &rect);
  MapWindowPoints(nullptr, GetParent(control), reinterpret_cast<POINT*>(&rect), 2);
  return rect;
}

void MoveHorizontally(HWND control, int left, int width) {
  RECT rect = PlaceInParent(control);
  SetWindowPos(control, nullptr, left, rect.top, width, rect.bottom - rect.top,
               SWP_NOZORDER | SWP_NOACTIVATE);
}

void SetEnabled(HWND control, bool enabled) {
  if ((IsWindowEnabled(control) != FALSE) != enabled) EnableWindow(control, enabled);
}

std::string WindowTitle(HWND window) {
  char title[255] = {};
  GetWindowTextA(window, title, sizeof title);
  return title;
}

std::string OwnModulePath() {
  std::vector<char> path(MAX_PATH);
  for (;;) {
    DWORD length = GetModuleFileNameA(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (length < path.size()) return std::string(path.data(), length);
    path.resize(path.size() * 2);
  }
}

}  // namespace

TKeyPage::TKeyPage(TNodraWnd& owner, HWND panel, HFONT font) : owner_(owner) {
  HINSTANCE instance = GetModuleHandleA(nullptr);
  imgButtons_ = ImageList_LoadImageA(instance, "BROWSE", 16, 1, RGB(255, 0, 255), IMAGE_BITMAP,
                                     LR_CREATEDIBSECTION);
  finderMark_ = static_cast<HICON>(LoadImageA(instance, "FINDERMARK", IMAGE_ICON, 16, 16, 0));
  RECT page;
  GetClientRect(panel, &page);
  lvKey = CreateReportList(panel, {0, 0, page.right, page.bottom - kConsoleHeight}, font,
                           idKeyList,
                           {{"プログラム名", 100}, {"キー", 100}, {"実行ファイル", 100},
                            {"実行時引数", 100}, {"作業パス", 100}},
                           LVS_OWNERDATA);
  panKeyConsole = CreatePanel(panel, {0, page.bottom - kConsoleHeight, page.right, kConsoleHeight},
                              owner_.Handle());
  CreateControls(font);
  SetWindowSubclass(panKeyConsole, ConsoleProc, 1, reinterpret_cast<DWORD_PTR>(this));
  panKeyConsoleResize();
}

TKeyPage::~TKeyPage() {
  if (panKeyConsole) RemoveWindowSubclass(panKeyConsole, ConsoleProc, 1);
  if (imgFinder) RemoveWindowSubclass(imgFinder, FinderProc, 0);
  if (imgButtons_) ImageList_Destroy(imgButtons_);
  if (finderMark_) DestroyIcon(finderMark_);
}

// Creation order is the tab order; each label comes just before the box its mnemonic focuses.
void TKeyPage::CreateControls(HFONT font) {
  HWND panel = panKeyConsole;
  CreateLabel(panel, "プログラム名(&P)", {8, 12, kLabelWidth, kLabelHeight}, font);
  edtProgram = CreateEdit(panel, {96, 8, 113, 20}, font, idProgram, 128);
  CreateLabel(panel, "キー(&H)", {8, 40, kLabelWidth, kLabelHeight}, font);
  edtKey = CreateEdit(panel, {96, 36, 113, 20}, font, idKey, 0, true, true);
  InstallKeyBox(edtKey);
  btnKeyReset = CreateButton(panel, "リセット", {216, 36, 88, 21}, font, idKeyReset);
  CreateLabel(panel, "実行ファイル(&E)", {8, 68, kLabelWidth, kLabelHeight}, font);
  edtPath = CreateEdit(panel, {96, 64, 113, 20}, font, idPath, 256);
  CreateLabel(panel, "実行時引数(&A)", {8, 96, kLabelWidth, kLabelHeight}, font);
  edtArguments = CreateEdit(panel, {96, 92, 113, 20}, font, idArguments, 128);
  CreateLabel(panel, "作業パス(&W)", {8, 124, kLabelWidth, kLabelHeight}, font);
  edtWorkPath = CreateEdit(panel, {96, 120, 113, 20}, font, idWorkPath, 256);
  btnAdd = CreateButton(panel, "追加", {8, 206, 88, 21}, font, idAdd);
  btnUpdate = CreateButton(panel, "更新", {100, 206, 88, 21}, font, idUpdate);
  btnDelete = CreateButton(panel, "削除", {192, 206, 88, 21}, font, idDelete);
  tbPath = CreateToolButton(panel, {216, 63, 24, 24}, imgButtons_, 0, idPathButton);
  tbWorkPath = CreateToolButton(panel, {216, 119, 25, 24}, imgButtons_, 0, idWorkPathButton);
  chkRepeat = CreateCheckBox(panel, "押し続けるのを検出する(&R)", {96, 182, 161, 17}, font, idRepeat);
  CreateFinder(font);
}

void TKeyPage::CreateFinder(HFONT font) {
  CreateLabel(panKeyConsole, "アプリファインダ", {8, 158, kLabelWidth, kLabelHeight}, font);
  imgFinder = CreateIconImage(panKeyConsole, {96, 156, 17, 17}, finderMark_, idFinder);
  SetWindowSubclass(imgFinder, FinderProc, 0, reinterpret_cast<DWORD_PTR>(this));
  // Two wrapped lines, as wide as the panel allows: the sentence does not fit in fewer.
  lblAppFindDesc = CreateLabel(panKeyConsole, kFinderDescription, {124, 150, 240, 31}, font);
}

void TKeyPage::panKeyConsoleResize() {
  RECT client;
  GetClientRect(panKeyConsole, &client);
  const int width = client.right;
  for (HWND edit : {edtProgram, edtArguments}) {
    const int left = PlaceInParent(edit).left;
    MoveHorizontally(edit, left, width - kMargin - left);
  }
  const struct {
    HWND box, button;
  } rows[] = {{edtKey, btnKeyReset}, {edtPath, tbPath}, {edtWorkPath, tbWorkPath}};
  for (const auto& row : rows) {
    RECT button = PlaceInParent(row.button);
    const int buttonLeft = width - (button.right - button.left) - kMargin;
    MoveHorizontally(row.button, buttonLeft, button.right - button.left);
    const int boxLeft = PlaceInParent(row.box).left;
    MoveHorizontally(row.box, boxLeft, buttonLeft - kMargin - boxLeft);
  }
  const int descriptionLeft = PlaceInParent(lblAppFindDesc).left;
  MoveHorizontally(lblAppFindDesc, descriptionLeft, width - kMargin - descriptionLeft);
}

// The entry panel: its size changes lay it out; while the finder is dragged it holds the mouse.
LRESULT CALLBACK TKeyPage::ConsoleProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam,
                                       UINT_PTR, DWORD_PTR data) {
  TKeyPage* page = reinterpret_cast<TKeyPage*>(data);
  switch (message) {
    case WM_SIZE:
      page->panKeyConsoleResize();
      break;
    case WM_LBUTTONUP:
      if (page->finderDragging_) {
        page->imgFinderMouseUp();
        return 0;
      }
      break;
    case WM_TIMER:
      if (wParam != kReleaseWatch) break;
      if (page->finderDragging_ && !(GetAsyncKeyState(VK_LBUTTON) & 0x8000)) page->imgFinderMouseUp();
      return 0;
    case WM_CAPTURECHANGED:
      // The mouse was taken away before the release (another window, a dialog): no request.
      if (page->finderDragging_) page->EndFinderDrag();
      break;
    case WM_SETCURSOR:
      if (page->finderDragging_) return TRUE;
      break;
    default:
      break;
  }
  return DefSubclassProc(window, message, wParam, lParam);
}

LRESULT CALLBACK TKeyPage::FinderProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam,
                                      UINT_PTR, DWORD_PTR data) {
  if (message == WM_LBUTTONDOWN) {
    reinterpret_cast<TKeyPage*>(data)->imgFinderMouseDown();
    return 0;
  }
  return DefSubclassProc(window, message, wParam, lParam);
}

bool TKeyPage::OnCommand(WORD id, WORD code, HWND control) {
  if (!control) return false;
  if (control == edtKey) {
    if (code == EN_SETFOCUS) edtKeyEnter();
    else if (code == EN_KILLFOCUS) edtKeyExit();
    return true;
  }
  if (control == tbPath && id == idPathButton) tbbPathClick();
  else if (control == tbWorkPath && id == idWorkPathButton) tbbWorkPathClick();
  else if (code != BN_CLICKED) return false;
  else if (control == btnKeyReset) btnKeyResetClick();
  else if (control == btnAdd) btnAddClick();
  else if (control == btnUpdate) btnUpdateClick();
  else if (control == btnDelete) btnDeleteClick();
  else return false;
  return true;
}

bool TKeyPage::OnNotify(const NMHDR& header, LRESULT& result) {
  if (header.hwndFrom != lvKey) return false;
  if (header.code == LVN_GETDISPINFOA) {
    lvKeyData(reinterpret_cast<NMLVDISPINFOA&>(const_cast<NMHDR&>(header)).item);
  } else if (header.code == LVN_ITEMCHANGED) {
    const NMLISTVIEW& change = reinterpret_cast<const NMLISTVIEW&>(header);
    if ((change.uChanged & LVIF_STATE) && ((change.uNewState ^ change.uOldState) & LVIS_SELECTED))
      lvKeySelectItem();
  }
  result = 0;
  return true;
}

void TKeyPage::OnIdle() {
  const bool selected = SelectedListRow(lvKey) >= 0;
  SetEnabled(btnUpdate, selected);
  SetEnabled(btnDelete, selected);
}

// lvKey holds no rows of its own: row i is assignment i, whose texts the list asks for when it
// draws the row. A thousand assignments cost one message instead of thousands, each of which
// would pass through every window-message hook of the desktop.
void TKeyPage::FillList() {
  SendMessageA(lvKey, LVM_SETITEMCOUNT, static_cast<WPARAM>(owner_.KeyManager().Count()),
               LVSICF_NOINVALIDATEALL | LVSICF_NOSCROLL);
  InvalidateRect(lvKey, nullptr, TRUE);
}

void TKeyPage::lvKeyData(LVITEMA& item) const {
  const TKeyInfo* info = RowInfo(item.iItem);
  if (!info || !(item.mask & LVIF_TEXT) || !item.pszText || item.cchTextMax <= 0) return;
  const std::string* texts[] = {&info->ProgramName(), &info->KeyText(), &info->Path(),
                                &info->Arguments(), &info->WorkPath()};
  if (item.iSubItem < 0 || item.iSubItem >= static_cast<int>(std::size(texts))) return;
  const std::string& text = *texts[item.iSubItem];
  const size_t length = std::min(text.size(), static_cast<size_t>(item.cchTextMax - 1));
  text.copy(item.pszText, length);
  item.pszText[length] = '\0';
}

void TKeyPage::SetDroppedFile(const std::string& path) {
  SetControlText(edtPath, path);
  SetControlText(edtWorkPath, FolderOf(path));
}

void TKeyPage::CaptureKey(UINT, LPARAM keystrokeFlags) {
  const uint32_t flags = static_cast<uint32_t>(keystrokeFlags);
  std::string text = GetControlText(edtKey);
  if (!AppendCapturedKey(capturedKeys, text, KeyCodeFromFlags(flags),
                         KeyDisplayName(flags, &owner_.KeyNameManager())))
    return;
  SetControlText(edtKey, text);
  const WPARAM end = text.size();
  SendMessageA(edtKey, EM_SETSEL, end, static_cast<LPARAM>(end));
}

void TKeyPage::ClearCaptureKey() {
  capturedKeys.clear();
  SetControlText(edtKey, "");
}

void TKeyPage::ClearEntry() {
  ClearCaptureKey();
  for (HWND edit : {edtProgram, edtPath, edtArguments, edtWorkPath}) SetControlText(edit, "");
}

TKeyInfo* TKeyPage::RowInfo(int row) const {
  return row < 0 ? nullptr : owner_.KeyManager().Get(row);
}

void TKeyPage::ShowEntry(const TKeyInfo& info) {
  capturedKeys = info.Keys();
  SetControlText(edtProgram, info.ProgramName());
  SetControlText(edtKey, info.KeyText());
  SetControlText(edtPath, info.Path());
  SetControlText(edtArguments, info.Arguments());
  SetControlText(edtWorkPath, info.WorkPath());
  SetChecked(chkRepeat, info.Repeat());
}

void TKeyPage::lvKeySelectItem() {
  if (const TKeyInfo* info = RowInfo(SelectedListRow(lvKey))) ShowEntry(*info);
}

// While the chord box has the focus the hook library reports keys but lets none through.
void TKeyPage::edtKeyEnter() { nlSetDispatchMode(DISPATCH_SWALLOW); }

void TKeyPage::edtKeyExit() { nlSetDispatchMode(DISPATCH_PASS); }

void TKeyPage::btnKeyResetClick() {
  ClearCaptureKey();
  SetFocus(edtKey);
}

bool TKeyPage::CheckKeyInput(bool adding, TKeyEntry& entry) {
  entry = ReadKeyEntry(GetControlText(edtProgram), GetControlText(edtKey), GetControlText(edtPath),
                       GetControlText(edtArguments), GetControlText(edtWorkPath));
  std::vector<std::string> rowKeyTexts;
  const int rows = static_cast<int>(SendMessageA(lvKey, LVM_GETITEMCOUNT, 0, 0));
  for (int row = 0; row < rows; ++row) {
    const TKeyInfo* info = RowInfo(row);
    rowKeyTexts.push_back(info ? info->KeyText() : std::string());
  }
  const TPathProbe probe = {
      [](const std::string& path) { return platform::FileExists(path) || platform::FolderExists(path); },
      [](const std::string& path) { return platform::FolderExists(path); }};
  const std::string message =
      KeyEntryMessage(entry, rowKeyTexts, adding, SelectedListRow(lvKey), probe);
  if (message.empty()) return true;
  ShowError(owner_.Handle(), message);
  return false;
}

void TKeyPage::btnAddClick() {
  TKeyEntry entry;
  if (!CheckKeyInput(true, entry)) return;
  TKeyInfo* info = owner_.KeyManager().Add(capturedKeys, entry.path, entry.arguments,
                                           entry.workPath, entry.programName, entry.keyText,
                                           IsChecked(chkRepeat));
  if (!info) return;
  FillList();
  SendMessageA(lvKey, LVM_ENSUREVISIBLE, owner_.KeyManager().Count() - 1, FALSE);
  ClearEntry();
}

void TKeyPage::btnUpdateClick() {
  const int row = SelectedListRow(lvKey);
  TKeyInfo* info = RowInfo(row);
  TKeyEntry entry;
  if (!info || !CheckKeyInput(false, entry)) return;
  info->SetKeys(capturedKeys);
  info->SetProgramName(entry.programName);
  info->SetKeyText(entry.keyText);
  info->SetPath(entry.path);
  info->SetArguments(entry.arguments);
  info->SetWorkPath(entry.workPath);
  info->SetRepeat(IsChecked(chkRepeat));
  SendMessageA(lvKey, LVM_REDRAWITEMS, row, row);
  SendMessageA(lvKey, LVM_ENSUREVISIBLE, row, FALSE);
}

void TKeyPage::btnDeleteClick() {
  const int row = SelectedListRow(lvKey);
  TKeyInfo* info = RowInfo(row);
  if (!info) return;
  // The key guide keeps the candidates of a half-typed chord: forget them before one goes.
  owner_.KeyView().ResetChord();
  owner_.KeyManager().Remove(info);
  SendMessageA(lvKey, LVM_DELETEITEM, row, 0);
  ClearEntry();
}

void TKeyPage::FocusBeforeDialog(HWND control) {
  SetFocus(control);
  Application.ProcessMessages();
}

void TKeyPage::tbbPathClick() {
  FocusBeforeDialog(tbPath);
  if (ChooseExistingFile(owner_.Handle(), kOpenTitle, kOpenFilter, "exe", lastOpenedFile_))
    SetControlText(edtPath, lastOpenedFile_);
}

void TKeyPage::tbbWorkPathClick() {
  FocusBeforeDialog(tbWorkPath);
  std::string folder = TShellObject().SelectFolder(owner_.Handle(), "", kWorkPathPrompt);
  if (!folder.empty()) SetControlText(edtWorkPath, folder);
}

// The drag starts with the left button only; the entry panel holds the mouse until the release.
void TKeyPage::imgFinderMouseDown() {
  ShowWindow(imgFinder, SW_HIDE);
  finderDragging_ = true;
  SetCapture(panKeyConsole);
  SetCursor(LoadCursorA(GetModuleHandleA(nullptr), "FINDER"));
  POINT at;
  GetCursorPos(&at);
  SetCursorPos(at.x - kFinderCentre, at.y - kFinderCentre);
  SetTimer(panKeyConsole, kReleaseWatch, kReleaseWatchMs, nullptr);
}

void TKeyPage::imgFinderMouseUp() {
  EndFinderDrag();
  POINT at;
  GetCursorPos(&at);
  at.x += kFinderCentre;
  at.y += kFinderCentre;
  SetCursorPos(at.x, at.y);
  finderAsked_ = WindowFromPoint(at);
  finderAskedAt_ = GetTickCount();
  PostMessageA(finderAsked_, WM_FIND_REQUEST, 0, 0);
}

// Only the answer to the request just made counts, and only for a few seconds: any program can
// post a reply.
bool TKeyPage::TakeFinderAnswer(HWND target) {
  const bool expected = finderAsked_ && target == finderAsked_ &&
                        GetTickCount() - finderAskedAt_ <= kFinderAnswerMs;
  if (expected) finderAsked_ = nullptr;
  return expected;
}

void TKeyPage::EndFinderDrag() {
  finderDragging_ = false;
  KillTimer(panKeyConsole, kReleaseWatch);
  if (GetCapture() == panKeyConsole) ReleaseCapture();
  SetCursor(LoadCursorA(nullptr, IDC_ARROW));
  ShowWindow(imgFinder, SW_SHOW);
}

void TKeyPage::FindModuleResult(HWND target, const std::string& modulePath,
                                const std::string& commandLine) {
  if (!TakeFinderAnswer(target)) return;
  if (SameModulePath(modulePath, OwnModulePath())) return;
  std::string programName;
  for (HWND window = target; window; window = GetParent(window)) programName = WindowTitle(window);
  SetControlText(edtProgram, programName);
  SetControlText(edtPath, modulePath);
  SetControlText(edtWorkPath, FolderOf(modulePath));
  SetControlText(edtArguments, ArgumentsOfCommandLine(commandLine));
  owner_.ShowPage(piKey);
}

void TKeyPage::ShowKeyText(int row) {
  if (lvKey) SendMessageA(lvKey, LVM_REDRAWITEMS, row, row);
}
