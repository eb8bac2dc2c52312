#include "ui/key_page.h"

#include <commdlg.h>

#include <algorithm>
#include <iterator>
#include <vector>

#include "data/key_manager.h"
#include "data/key_transfer.h"
#include "data/path_text.h"
#include "data/platform.h"
#include "engine/hook_process.h"
#include "engine/key_display.h"
#include "hooklib/nodralib.h"
#include "shell/shell_object.h"
#include "toolkit/application.h"
#include "toolkit/command_map.h"
#include "toolkit/controls.h"
#include "toolkit/dpi.h"
#include "toolkit/key_box.h"
#include "toolkit/message_box.h"
#include "toolkit/program_path.h"
#include "ui/control_ids.h"
#include "ui/entry_action.h"
#include "ui/list_filter.h"

namespace {

const int kConsoleHeight = 285;
const int kOptionsTop = 204;  // the options of a program, below the repeat box
const int kScopeTop = 228;    // the scope row, between the options and the buttons
const int kButtonsTop = 256;
const int kNoteTop = 282;     // the note line below the buttons, two lines high
const int kNoteHeight = 30;   // added to the panel while there is a note
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
const char kExportTitle[] = "キー割り当ての書き出し";
const char kImportTitle[] = "キー割り当ての取り込み";
const int kTransferButtonWidth = 80;
const char kFinderDescription[] =
    "このファインダをドラッグして任意のウィンドウにドロップすると、ウィンドウが属するプログラムが判ります。";

std::string WindowTitle(HWND window) {
  char title[255] = {};
  GetWindowTextA(window, title, sizeof title);
  return title;
}

}  // namespace

TKeyPage::TKeyPage(TPageHost& host, HWND panel, HFONT font) : host_(host) {
  HINSTANCE instance = GetModuleHandleA(nullptr);
  imgButtons_.Reset(ImageList_LoadImageA(instance, "BROWSE", 16, 1, RGB(255, 0, 255),
                                         IMAGE_BITMAP, LR_CREATEDIBSECTION));
  const TScale& s = host_.LayoutScale();
  // The mark in the size the system gives small icons at this DPI.
  const int markSize = SystemMetricForDpi(SM_CXSMICON, s.Dpi());
  finderMark_.Reset(static_cast<HICON>(
      LoadImageA(instance, "FINDERMARK", IMAGE_ICON, markSize, markSize, 0)));
  RECT page;
  GetClientRect(panel, &page);
  const int consoleHeight = s.Px(kConsoleHeight);
  const int column = s.Px(100);
  TCommandMap& commands = host_.Commands();
  findBox_ = std::make_unique<TFindBox>(panel, s, font, kKeyFindId, kKeyFindCountId, commands,
                                        [this] { RefillUnselected(); });
  CreateTransferButtons(panel, font);
  const int listTop = s.Px(TFindBox::kHeight);
  lvKey = CreateReportList(panel, {0, listTop, page.right, page.bottom - consoleHeight - listTop},
                           font, kKeyListId,
                           {{"プログラム名", column}, {"キー", column}, {"実行ファイル", column},
                            {"実行時引数", column}, {"作業パス", column}, {"対象", column}},
                           LVS_OWNERDATA, false);
  commands.OnNotify(lvKey, LVN_GETDISPINFOA, [this](NMHDR& header) {
    lvKeyData(reinterpret_cast<NMLVDISPINFOA&>(header).item);
    return 0;
  });
  OnRowSelection(commands, lvKey, [this](int, bool) { lvKeySelectItem(); });
  commands.OnNotify(lvKey, NM_CUSTOMDRAW, [this](NMHDR& header) {
    return lvKeyCustomDraw(reinterpret_cast<NMLVCUSTOMDRAW&>(header));
  });
  panKeyConsole = CreatePanel(panel, {0, page.bottom - consoleHeight, page.right, consoleHeight},
                              commands);
  CreateControls(font);
  SetWindowSubclass(panKeyConsole, ConsoleProc, 1, reinterpret_cast<DWORD_PTR>(this));
  panKeyConsoleResize();
}

TKeyPage::~TKeyPage() {
  if (panKeyConsole) RemoveWindowSubclass(panKeyConsole, ConsoleProc, 1);
  if (imgFinder) RemoveWindowSubclass(imgFinder, FinderProc, 0);
}

// Creation order is the tab order; each label comes just before the box its mnemonic focuses.
void TKeyPage::CreateControls(HFONT font) {
  HWND panel = panKeyConsole;
  TCommandMap& commands = host_.Commands();
  const TScale& s = host_.LayoutScale();
  CreateLabel(panel, "プログラム名(&P)", s.Place({8, 12, kLabelWidth, kLabelHeight}), font);
  edtProgram = CreateEdit(panel, s.Place({96, 8, 113, 20}), font, kProgramId, 128);
  CreateLabel(panel, "キー(&H)", s.Place({8, 40, kLabelWidth, kLabelHeight}), font);
  edtKey = CreateEdit(panel, s.Place({96, 36, 113, 20}), font, kKeyId, 0, true, true);
  InstallKeyBox(edtKey);
  commands.OnCommand(edtKey, EN_SETFOCUS, [this] { edtKeyEnter(); });
  commands.OnCommand(edtKey, EN_KILLFOCUS, [this] { edtKeyExit(); });
  btnKeyReset = CreateButton(panel, "リセット", s.Place({216, 36, 88, 21}), font, kKeyResetId);
  commands.OnClick(btnKeyReset, [this] { btnKeyResetClick(); });
  chkSequence = CreateCheckBox(panel, "順に押す", s.Place({216, 38, 72, 17}), font, kSequenceId);
  commands.OnClick(chkSequence, [this] { chkSequenceClick(); });
  CreateLabel(panel, "実行ファイル(&E)", s.Place({8, 68, kLabelWidth, kLabelHeight}), font);
  edtPath = CreateEdit(panel, s.Place({96, 64, 113, 20}), font, kPathId, 256);
  commands.OnCommand(edtPath, EN_CHANGE, [this] { edtPathChange(); });
  CreateActionChoice(font);
  CreateLabel(panel, "実行時引数(&A)", s.Place({8, 96, kLabelWidth, kLabelHeight}), font);
  edtArguments = CreateEdit(panel, s.Place({96, 92, 113, 20}), font, kArgumentsId, 128);
  commands.OnCommand(edtArguments, EN_SETFOCUS, [this] { edtArgumentsEnter(); });
  commands.OnCommand(edtArguments, EN_KILLFOCUS, [this] { edtArgumentsExit(); });
  btnKeysReset = CreateButton(panel, "リセット", s.Place({216, 92, 88, 21}), font, kKeysResetId);
  commands.OnClick(btnKeysReset, [this] { btnKeysResetClick(); });
  ShowWindow(btnKeysReset, SW_HIDE);
  CreateLabel(panel, "作業パス(&W)", s.Place({8, 124, kLabelWidth, kLabelHeight}), font);
  edtWorkPath = CreateEdit(panel, s.Place({96, 120, 113, 20}), font, kWorkPathId, 256);
  CreateScopeRow(font);
  btnAdd = CreateButton(panel, "追加", s.Place({8, kButtonsTop, 88, 21}), font, kAddId);
  commands.OnClick(btnAdd, [this] { btnAddClick(); });
  btnUpdate = CreateButton(panel, "更新", s.Place({100, kButtonsTop, 88, 21}), font, kUpdateId);
  commands.OnClick(btnUpdate, [this] { btnUpdateClick(); });
  btnDelete = CreateButton(panel, "削除", s.Place({192, kButtonsTop, 88, 21}), font, kDeleteId);
  commands.OnClick(btnDelete, [this] { btnDeleteClick(); });
  tbPath = CreateToolButton(panel, s.Place({216, 63, 24, 24}), imgButtons_.Get(), 0, kPathButtonId);
  commands.OnClick(tbPath, [this] { tbbPathClick(); });
  tbWorkPath = CreateToolButton(panel, s.Place({216, 119, 25, 24}), imgButtons_.Get(), 0, kWorkPathButtonId);
  commands.OnClick(tbWorkPath, [this] { tbbWorkPathClick(); });
  chkRepeat = CreateCheckBox(panel, "押し続けるのを検出する(&R)", s.Place({96, 182, 161, 17}), font, kRepeatId);
  commands.OnClick(chkRepeat, [this] { ShowEditedNote(); });
  CreateRaiseOptions(font);
  CreateFinder(font);
  lblKeyNote = CreateLabel(panel, "", s.Place({8, kNoteTop, 400, kNoteHeight - 2}), font, kKeyNoteId);
  SetWindowLongPtrA(lblKeyNote, GWL_STYLE, GetWindowLongPtrA(lblKeyNote, GWL_STYLE) | SS_NOPREFIX);
  ShowWindow(lblKeyNote, SW_HIDE);
}

// Which programs the assignment is for; the finder dropped while the list has the focus adds
// the program of the window it was dropped on.
void TKeyPage::CreateScopeRow(HFONT font) {
  TCommandMap& commands = host_.Commands();
  const TScale& s = host_.LayoutScale();
  CreateLabel(panKeyConsole, "対象(&T)", s.Place({8, kScopeTop + 4, kLabelWidth, kLabelHeight}), font);
  cmbScope = CreateDropDownList(panKeyConsole, s.Place({96, kScopeTop, 145, 20}), font, kScopeId,
                                {"すべてのプログラム", "次のプログラムでのみ", "次のプログラム以外"});
  SendMessageA(cmbScope, CB_SETCURSEL, 0, 0);
  commands.OnCommand(cmbScope, CBN_SELCHANGE, [this] { ShowEditedNote(); });
  edtScope = CreateEdit(panKeyConsole, s.Place({248, kScopeTop, 113, 20}), font, kScopeListId, 1024);
  commands.OnCommand(edtScope, EN_CHANGE, [this] { ShowEditedNote(); });
}

// The actions beside the 実行ファイル box, as wide as its longest item needs.
void TKeyPage::CreateActionChoice(HFONT font) {
  const TScale& s = host_.LayoutScale();
  size_t count = 0;
  const TEntryAction* actions = EntryActions(count);
  int width = 0;
  for (size_t i = 0; i < count; ++i)
    width = std::max<int>(width, TextLineSize(panKeyConsole, font, actions[i].label).cx);
  width += SystemMetricForDpi(SM_CXVSCROLL, s.Dpi()) + s.Px(10);
  cmbAction = CreateDropDownList(panKeyConsole, {s.Px(216), s.Px(64), width, s.Px(20)}, font,
                                 kActionId, {});
  for (size_t i = 0; i < count; ++i)
    SendMessageA(cmbAction, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(actions[i].label));
  SendMessageA(cmbAction, CB_SETCURSEL, kProgramAction, 0);
  host_.Commands().OnCommand(cmbAction, CBN_SELCHANGE, [this] { cmbActionChange(); });
}

// Bringing a running copy forward, and minimising it when it is in front already, side by side.
void TKeyPage::CreateRaiseOptions(HFONT font) {
  const TScale& s = host_.LayoutScale();
  chkRaise = CreateCheckBox(panKeyConsole, "起動中なら前面に表示(&F)", s.Place({96, kOptionsTop, 140, 17}),
                            font, kRaiseId);
  WidenToCaption(chkRaise, s.Dpi());
  const int left = PlaceInParent(chkRaise).right + s.Px(12);
  chkMinimize = CreateCheckBox(panKeyConsole, "前面なら最小化(&M)", {left, s.Px(kOptionsTop), s.Px(110), s.Px(17)},
                               font, kMinimizeId);
  WidenToCaption(chkMinimize, s.Dpi());
  host_.Commands().OnClick(chkRaise, [this] { EnableRaiseOptions(); });
  EnableRaiseOptions();
}

// 書き出し and 取り込み at the right of the find strip.
void TKeyPage::CreateTransferButtons(HWND panel, HFONT font) {
  const TScale& s = host_.LayoutScale();
  RECT page;
  GetClientRect(panel, &page);
  const int width = s.Px(kTransferButtonWidth);
  const int importLeft = page.right - s.Px(kMargin) - width;
  const int exportLeft = importLeft - s.Px(4) - width;
  const int top = s.Px(1);
  const int height = s.Px(21);
  btnExport = CreateButton(panel, "書き出し(&E)", {exportLeft, top, width, height}, font, kExportId);
  host_.Commands().OnClick(btnExport, [this] { btnExportClick(); });
  btnImport = CreateButton(panel, "取り込み(&I)", {importLeft, top, width, height}, font, kImportId);
  host_.Commands().OnClick(btnImport, [this] { btnImportClick(); });
}

void TKeyPage::CreateFinder(HFONT font) {
  const TScale& s = host_.LayoutScale();
  CreateLabel(panKeyConsole, "アプリファインダ", s.Place({8, 158, kLabelWidth, kLabelHeight}), font);
  imgFinder = CreateIconImage(panKeyConsole, s.Place({96, 156, 17, 17}), finderMark_.Get(), kFinderId);
  SetWindowSubclass(imgFinder, FinderProc, 0, reinterpret_cast<DWORD_PTR>(this));
  // Two wrapped lines, as wide as the panel allows: the sentence does not fit in fewer.
  lblAppFindDesc = CreateLabel(panKeyConsole, kFinderDescription, s.Place({124, 150, 240, 31}), font);
}

void TKeyPage::panKeyConsoleResize() {
  RECT client;
  GetClientRect(panKeyConsole, &client);
  const int width = client.right;
  const int margin = host_.LayoutScale().Px(kMargin);
  // The arguments box has the keys' reset button beside it only while the entry sends keys.
  std::vector<HWND> fullWidth = {edtProgram, edtScope};
  if (!keysMode_) fullWidth.push_back(edtArguments);
  for (HWND edit : fullWidth) {
    const int left = PlaceInParent(edit).left;
    MoveHorizontally(edit, left, width - margin - left);
  }
  const struct {
    HWND box, button;
  } rows[] = {{edtKey, btnKeyReset}, {edtPath, tbPath}, {edtWorkPath, tbWorkPath},
              {keysMode_ ? edtArguments : nullptr, btnKeysReset}};
  for (const auto& row : rows) {
    RECT button = PlaceInParent(row.button);
    const int buttonLeft = width - (button.right - button.left) - margin;
    MoveHorizontally(row.button, buttonLeft, button.right - button.left);
    if (!row.box) continue;
    const int boxLeft = PlaceInParent(row.box).left;
    MoveHorizontally(row.box, boxLeft, buttonLeft - margin - boxLeft);
  }
  // The action choice between the 実行ファイル box and its browse button.
  const RECT choice = PlaceInParent(cmbAction);
  const int choiceLeft = PlaceInParent(tbPath).left - margin / 2 - (choice.right - choice.left);
  MoveHorizontally(cmbAction, choiceLeft, choice.right - choice.left);
  const int pathLeft = PlaceInParent(edtPath).left;
  MoveHorizontally(edtPath, pathLeft, choiceLeft - margin / 2 - pathLeft);
  for (HWND label : {lblAppFindDesc, lblKeyNote}) {
    const int left = PlaceInParent(label).left;
    MoveHorizontally(label, left, width - margin - left);
  }
  PlaceSequenceBox(margin);
}

// 順に押す sits between the key box and its reset button.
void TKeyPage::PlaceSequenceBox(int margin) {
  const RECT reset = PlaceInParent(btnKeyReset);
  const RECT check = PlaceInParent(chkSequence);
  const int checkLeft = reset.left - margin - (check.right - check.left);
  MoveHorizontally(chkSequence, checkLeft, check.right - check.left);
  const int boxLeft = PlaceInParent(edtKey).left;
  MoveHorizontally(edtKey, boxLeft, checkLeft - margin - boxLeft);
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

void TKeyPage::OnIdle() {
  const bool selected = SelectedIndex() >= 0;
  SetEnabled(btnUpdate, selected);
  SetEnabled(btnDelete, selected);
}

// lvKey holds no rows of its own: row i is assignment i, whose texts the list asks for when it
// draws the row. A thousand assignments cost one message instead of thousands, each of which
// would pass through every window-message hook of the desktop.
void TKeyPage::FillList() {
  const TKeyManager& keys = host_.KeyManager();
  rows_ = FoundAssignments(keys, findBox_->Text());
  SendMessageA(lvKey, LVM_SETITEMCOUNT, static_cast<WPARAM>(rows_.size()),
               LVSICF_NOINVALIDATEALL | LVSICF_NOSCROLL);
  findBox_->ShowCount(rows_.size(), static_cast<size_t>(keys.Count()));
  RefreshNotes();
}

void TKeyPage::RefillUnselected() {
  ListView_SetItemState(lvKey, -1, 0, LVIS_SELECTED | LVIS_FOCUSED);
  FillList();
  if (!rows_.empty()) SendMessageA(lvKey, LVM_ENSUREVISIBLE, 0, FALSE);
}

int TKeyPage::IndexOfRow(int row) const {
  return row >= 0 && row < static_cast<int>(rows_.size()) ? rows_[static_cast<size_t>(row)] : -1;
}

int TKeyPage::RowOfIndex(int index) const {
  const auto found = std::lower_bound(rows_.begin(), rows_.end(), index);
  return found != rows_.end() && *found == index ? static_cast<int>(found - rows_.begin()) : -1;
}

int TKeyPage::SelectedIndex() const {
  if (SendMessageA(lvKey, LVM_GETSELECTEDCOUNT, 0, 0) != 1) return -1;
  return IndexOfRow(SelectedListRow(lvKey));
}

void TKeyPage::RefreshNotes() {
  rowNotes_ = ChordNotes(ChordAssignments(host_.KeyManager()));
  InvalidateRect(lvKey, nullptr, TRUE);
  ShowEditedNote();
}

LRESULT TKeyPage::lvKeyCustomDraw(NMLVCUSTOMDRAW& draw) const {
  if (draw.nmcd.dwDrawStage == CDDS_PREPAINT) return CDRF_NOTIFYITEMDRAW;
  if (draw.nmcd.dwDrawStage != CDDS_ITEMPREPAINT) return CDRF_DODEFAULT;
  const int index = IndexOfRow(static_cast<int>(draw.nmcd.dwItemSpec));
  if (index >= 0 && index < static_cast<int>(rowNotes_.size()) &&
      !rowNotes_[static_cast<size_t>(index)].CanFire())
    draw.clrText = GetSysColor(COLOR_GRAYTEXT);
  return CDRF_NEWFONT;
}

std::string TKeyPage::AssignmentName(int index) const {
  const TKeyInfo* info = host_.KeyManager().Get(index);
  if (!info) return {};
  return info->ProgramName().empty() ? info->Path() : info->ProgramName();
}

// The chord in the key box, as it would stand in the list: in the selected row's place, or
// after the last row.
void TKeyPage::ShowEditedNote() {
  std::string text;
  if (!capturedKeys_.empty()) {
    const TChordNote note = EditedChordNote(ChordAssignments(host_.KeyManager()), capturedKeys_,
                                            IsChecked(chkRepeat), SelectedIndex(),
                                            EntryScope(), RecordsSequence());
    text = ChordNoteText(note, AssignmentName(note.other), IsChecked(chkRepeat));
  }
  SetControlText(lblKeyNote, text);
  ShowNoteArea(!text.empty());
}

// The scope the entry describes; all programs while its list is malformed.
TProgramScope TKeyPage::EntryScope() const {
  TProgramScope scope;
  ReadProgramScope(ScopeIndex(), GetControlText(edtScope), scope);
  return scope;
}

int TKeyPage::ScopeIndex() const {
  return static_cast<int>(SendMessageA(cmbScope, CB_GETCURSEL, 0, 0));
}

void TKeyPage::ShowScope(const TProgramScope& scope) {
  SendMessageA(cmbScope, CB_SETCURSEL, static_cast<WPARAM>(scope.kind), 0);
  SetControlText(edtScope, TypedProgramList(scope.programs));
}

void TKeyPage::ShowNoteArea(bool shown) {
  if (shown == noteShown_) return;
  noteShown_ = shown;
  RECT page;
  GetClientRect(GetParent(lvKey), &page);
  const int consoleHeight = host_.LayoutScale().Px(kConsoleHeight + (shown ? kNoteHeight : 0));
  const int listTop = host_.LayoutScale().Px(TFindBox::kHeight);
  MoveWindow(lvKey, 0, listTop, page.right, page.bottom - consoleHeight - listTop, TRUE);
  SetWindowPos(panKeyConsole, nullptr, 0, page.bottom - consoleHeight, page.right, consoleHeight,
               SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOCOPYBITS);
  ShowWindow(lblKeyNote, shown ? SW_SHOW : SW_HIDE);
  // Every control of the entry moved: all are drawn afresh, not only the uncovered strip.
  RedrawWindow(panKeyConsole, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
  const int selected = SelectedListRow(lvKey);
  if (selected >= 0) SendMessageA(lvKey, LVM_ENSUREVISIBLE, selected, FALSE);
}

void TKeyPage::lvKeyData(LVITEMA& item) const {
  const TKeyInfo* info = RowInfo(item.iItem);
  if (!info || !(item.mask & LVIF_TEXT) || !item.pszText || item.cchTextMax <= 0) return;
  const std::string scope = ScopeShortText(info->Scope());
  const std::string* texts[] = {&info->ProgramName(), &info->KeyText(), &info->Path(),
                                &info->Arguments(), &info->WorkPath(), &scope};
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

bool TKeyPage::IsCaptureBox(HWND window) const {
  return window == edtKey || (keysMode_ && window == edtArguments);
}

void TKeyPage::CaptureKey(UINT, LPARAM keystrokeFlags) {
  const uint32_t flags = static_cast<uint32_t>(keystrokeFlags);
  if (GetFocus() == edtArguments) {
    if (outputKeys_.Press(KeyCodeFromFlags(flags))) ShowOutputKeys();
    return;
  }
  std::string text = GetControlText(edtKey);
  const std::string keyCode = KeyCodeFromFlags(flags);
  const std::string name = KeyDisplayName(flags, &host_.KeyNameManager());
  const bool appended = RecordsSequence() ? AppendCapturedStep(capturedKeys_, text, keyCode, name, flags)
                                          : AppendCapturedKey(capturedKeys_, text, keyCode, name);
  if (!appended) return;
  ShowEditedNote();
  SetControlText(edtKey, text);
  const WPARAM end = text.size();
  SendMessageA(edtKey, EM_SETSEL, end, static_cast<LPARAM>(end));
}

void TKeyPage::CaptureRelease(UINT, LPARAM keystrokeFlags) {
  if (GetFocus() == edtArguments)
    outputKeys_.Release(KeyCodeFromFlags(static_cast<uint32_t>(keystrokeFlags)));
}

void TKeyPage::ResetCapture() {
  if (GetFocus() == edtArguments) btnKeysResetClick();
  else btnKeyResetClick();
}

// The note, which may move the entry, changes before the key box does: whoever sees the new
// chord finds the controls where they stay.
void TKeyPage::ClearCaptureKey() {
  capturedKeys_.clear();
  ShowEditedNote();
  SetControlText(edtKey, "");
}

void TKeyPage::ClearEntry() {
  ClearCaptureKey();
  for (HWND edit : {edtProgram, edtPath, edtWorkPath}) SetControlText(edit, "");
  ShowArguments("");
  ShowScope({});
}

const TKeyInfo* TKeyPage::RowInfo(int row) const {
  return host_.KeyManager().Get(IndexOfRow(row));
}

void TKeyPage::ShowEntry(const TKeyInfo& info) {
  capturedKeys_ = info.Keys();
  SetChecked(chkRepeat, info.Repeat());
  SetChecked(chkSequence, info.HasOption(kOptionSequence));
  ShowScope(info.Scope());
  ShowEditedNote();
  SetControlText(edtProgram, info.ProgramName());
  SetControlText(edtKey, info.KeyText());
  SetControlText(edtPath, info.Path());
  ShowArguments(info.Arguments());
  SetControlText(edtWorkPath, info.WorkPath());
  SetChecked(chkRaise, info.HasOption(kOptionRaise));
  SetChecked(chkMinimize, info.HasOption(kOptionMinimize));
  EnableRaiseOptions();
}

// The edited chord's place in the list follows the selection, so its note is looked at again.
void TKeyPage::lvKeySelectItem() {
  if (const TKeyInfo* info = host_.KeyManager().Get(SelectedIndex())) ShowEntry(*info);
  else ShowEditedNote();
}

// While the chord box has the focus the hook library reports keys but lets none through.
void TKeyPage::edtKeyEnter() { host_.BeginCapture(); }

void TKeyPage::edtKeyExit() { host_.EndCapture(); }

bool TKeyPage::RecordsSequence() const { return IsChecked(chkSequence); }

// Keys recorded one way mean something else the other way: the box starts afresh.
void TKeyPage::chkSequenceClick() {
  ClearCaptureKey();
  SetFocus(edtKey);
}

void TKeyPage::btnKeyResetClick() {
  ClearCaptureKey();
  SetFocus(edtKey);
}

bool TKeyPage::CheckKeyInput(bool adding, TKeyEntry& entry, TProgramScope& scope) {
  entry = ReadKeyEntry(GetControlText(edtProgram), GetControlText(edtKey), GetControlText(edtPath),
                       ArgumentsText(), GetControlText(edtWorkPath));
  // Every assignment counts, whether the find box shows its row or not.
  std::vector<std::string> rowKeyTexts;
  std::vector<TProgramScope> rowScopes;
  const TKeyManager& keys = host_.KeyManager();
  for (int index = 0; index < keys.Count(); ++index) {
    rowKeyTexts.push_back(keys.Get(index)->KeyText());
    rowScopes.push_back(keys.Get(index)->Scope());
  }
  const TPathProbe probe = {
      [](const std::string& path) { return platform::FileExists(path) || platform::FolderExists(path); },
      [](const std::string& path) { return platform::FolderExists(path); }};
  const std::string scopeMessage = ReadProgramScope(ScopeIndex(), GetControlText(edtScope), scope);
  std::string message =
      KeyEntryMessage(entry, rowKeyTexts, adding, SelectedIndex(), probe, rowScopes, scope);
  if (!scopeMessage.empty()) message = scopeMessage;
  if (message.empty()) return true;
  ShowError(host_.OwnerWindow(), message);
  return false;
}

void TKeyPage::btnAddClick() {
  TKeyEntry entry;
  TProgramScope scope;
  if (!CheckKeyInput(true, entry, scope)) return;
  TKeyInfo* info = host_.KeyManager().Add(capturedKeys_, entry.path, entry.arguments,
                                           entry.workPath, entry.programName, entry.keyText,
                                           IsChecked(chkRepeat));
  if (!info) return;
  info->SetScope(std::move(scope));
  StoreRaiseOptions(*info);
  info->SetOption(kOptionSequence, RecordsSequence());
  FillList();
  const int row = RowOfIndex(host_.KeyManager().Count() - 1);
  if (row >= 0) SendMessageA(lvKey, LVM_ENSUREVISIBLE, row, FALSE);
  ClearEntry();
}

void TKeyPage::btnUpdateClick() {
  const int index = SelectedIndex();
  TKeyEntry entry;
  TProgramScope scope;
  if (index < 0 || !CheckKeyInput(false, entry, scope)) return;
  TKeyInfo* info = host_.KeyManager().Edit(index);
  info->SetKeys(capturedKeys_);
  info->SetProgramName(entry.programName);
  info->SetKeyText(entry.keyText);
  info->SetPath(entry.path);
  info->SetArguments(entry.arguments);
  info->SetWorkPath(entry.workPath);
  info->SetRepeat(IsChecked(chkRepeat));
  StoreRaiseOptions(*info);
  // Changed only when it changes, so that the other option words keep their places.
  if (info->HasOption(kOptionSequence) != RecordsSequence()) info->SetOption(kOptionSequence, RecordsSequence());
  // A scope the file held but could not be read shows as all programs, and stays unless changed.
  if (!scope.IsAll() || info->Scope().unreadItem.empty()) info->SetScope(std::move(scope));
  RefreshNotes();
  SendMessageA(lvKey, LVM_ENSUREVISIBLE, RowOfIndex(index), FALSE);
}

// The dispatcher matches against its own copy of the list, so nothing of it needs forgetting.
void TKeyPage::btnDeleteClick() {
  const int row = SelectedListRow(lvKey);
  const int index = SelectedIndex();
  if (index < 0) return;
  host_.KeyManager().Remove(host_.KeyManager().Get(index));
  rows_.erase(rows_.begin() + row);
  for (int& shown : rows_)
    if (shown > index) --shown;
  SendMessageA(lvKey, LVM_DELETEITEM, row, 0);
  findBox_->ShowCount(rows_.size(), static_cast<size_t>(host_.KeyManager().Count()));
  ClearEntry();
  RefreshNotes();
}

// The selected rows, or every row shown when none is, in the format of "keydata.dat".
void TKeyPage::btnExportClick() {
  std::vector<int> indices;
  for (int row : SelectedListRows(lvKey)) indices.push_back(IndexOfRow(row));
  if (indices.empty()) indices = rows_;
  FocusBeforeDialog(btnExport);
  if (!ChooseFileToSave(host_.OwnerWindow(), kExportTitle, kTransferFilter, "dat", lastTransferFile_))
    return;
  if (!platform::ReplaceFileBytes(lastTransferFile_, ExportedAssignments(host_.KeyManager(), indices)))
    ShowError(host_.OwnerWindow(), "ファイル「" + lastTransferFile_ + "」に書き出せませんでした。");
}

// The assignments of such a file at the end of the list; saved with the rest on OK.
void TKeyPage::btnImportClick() {
  FocusBeforeDialog(btnImport);
  if (!ChooseExistingFile(host_.OwnerWindow(), kImportTitle, kTransferFilter, "dat", lastTransferFile_))
    return;
  std::string bytes;
  if (!platform::ReadFileBytes(lastTransferFile_, bytes)) {
    ShowError(host_.OwnerWindow(), "ファイル「" + lastTransferFile_ + "」を読み込めませんでした。");
    return;
  }
  const TTakeInResult result = TakeInAssignments(host_.KeyManager(), bytes);
  if (result.added + result.skipped == 0) {
    ShowError(host_.OwnerWindow(), "ファイル「" + lastTransferFile_ + "」にキーの割り当てがありません。");
    return;
  }
  FillList();
  const int row = RowOfIndex(host_.KeyManager().Count() - 1);
  if (result.added > 0 && row >= 0) SendMessageA(lvKey, LVM_ENSUREVISIBLE, row, FALSE);
  ShowInformation(host_.OwnerWindow(), TakeInMessage(result));
}

void TKeyPage::FocusBeforeDialog(HWND control) {
  SetFocus(control);
  Application.ProcessMessages();
}

void TKeyPage::tbbPathClick() {
  FocusBeforeDialog(tbPath);
  if (ChooseExistingFile(host_.OwnerWindow(), kOpenTitle, kOpenFilter, "exe", lastOpenedFile_))
    SetControlText(edtPath, lastOpenedFile_);
}

void TKeyPage::tbbWorkPathClick() {
  FocusBeforeDialog(tbWorkPath);
  std::string folder = TShellObject().SelectFolder(host_.OwnerWindow(), "", kWorkPathPrompt);
  if (!folder.empty()) SetControlText(edtWorkPath, folder);
}

// The drag starts with the left button only; the entry panel holds the mouse until the release.
void TKeyPage::imgFinderMouseDown() {
  finderForScope_ = GetFocus() == edtScope;
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
  PostFinderRequest(finderAsked_);
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
  if (SameModulePath(modulePath, ProgramPath())) return;
  if (finderForScope_) {
    AddScopeProgram(ProgramFileNameOf(modulePath));
    return;
  }
  std::string programName;
  for (HWND window = target; window; window = GetParent(window)) programName = WindowTitle(window);
  SetControlText(edtProgram, programName);
  SetControlText(edtPath, modulePath);
  SetControlText(edtWorkPath, FolderOf(modulePath));
  ShowArguments(ArgumentsOfCommandLine(commandLine));
  host_.ShowPage(kKeyPage);
}

// A program added to an entry for all programs makes it one for that program only.
void TKeyPage::AddScopeProgram(const std::string& program) {
  if (program.empty()) return;
  if (ScopeIndex() <= 0) SendMessageA(cmbScope, CB_SETCURSEL, 1, 0);
  SetControlText(edtScope, WithProgramAdded(GetControlText(edtScope), program));
  host_.ShowPage(kKeyPage);
}

void TKeyPage::ShowKeyText(int index) {
  const int row = RowOfIndex(index);
  if (lvKey && row >= 0) SendMessageA(lvKey, LVM_REDRAWITEMS, row, row);
}

const char TKeyPage::kTransferFilter[] = "キー割り当て (*.dat)\0*.dat\0全てのファイル (*.*)\0*.*\0";

void TKeyPage::cmbActionChange() {
  const int action = static_cast<int>(SendMessageA(cmbAction, CB_GETCURSEL, 0, 0));
  const std::string path = GetControlText(edtPath);
  const std::string chosen = PathForAction(action, path);
  if (chosen != path) SetControlText(edtPath, chosen);
}

void TKeyPage::edtPathChange() {
  const std::string path = GetControlText(edtPath);
  const int action = ActionOfPath(path);
  if (SendMessageA(cmbAction, CB_GETCURSEL, 0, 0) != action)
    SendMessageA(cmbAction, CB_SETCURSEL, static_cast<WPARAM>(action), 0);
  ShowKeysMode(IsPressKeysPath(path));
  EnableRaiseOptions();
}

// Entering the mode reads the arguments as key codes; leaving it puts the codes in the box.
void TKeyPage::ShowKeysMode(bool on) {
  if (on == keysMode_) return;
  const std::string arguments = ArgumentsText();
  keysMode_ = on;
  SendMessageA(edtArguments, EM_SETREADONLY, on, 0);
  if (on) InstallKeyBox(edtArguments);
  else RemoveKeyBox(edtArguments);
  ShowWindow(btnKeysReset, on ? SW_SHOW : SW_HIDE);
  panKeyConsoleResize();
  ShowArguments(arguments);
  if (GetFocus() == edtArguments) {
    if (on) edtArgumentsEnter();
    else edtArgumentsExit();
  }
}

void TKeyPage::ShowArguments(const std::string& arguments) {
  if (!keysMode_) {
    SetControlText(edtArguments, arguments);
    return;
  }
  outputKeys_.Load(arguments);
  ShowOutputKeys();
}

std::string TKeyPage::ArgumentsText() const {
  return keysMode_ ? outputKeys_.Arguments() : GetControlText(edtArguments);
}

void TKeyPage::ShowOutputKeys() {
  const TKeyNameManager* aliases = &host_.KeyNameManager();
  const std::string text = outputKeys_.DisplayText(
      [aliases](const std::string& code) { return KeyDisplayNameOfCode(code, aliases); });
  SetControlText(edtArguments, text);
  SendMessageA(edtArguments, EM_SETSEL, text.size(), static_cast<LPARAM>(text.size()));
}

// While the arguments box records keys, the keyboard is held as for the chord box; keys held
// before it got the focus are no part of the next chord.
void TKeyPage::edtArgumentsEnter() {
  if (!keysMode_ || argumentsCapture_) return;
  argumentsCapture_ = true;
  outputKeys_.ForgetHeld();
  host_.BeginCapture();
}

void TKeyPage::edtArgumentsExit() {
  if (!argumentsCapture_) return;
  argumentsCapture_ = false;
  host_.EndCapture();
}

void TKeyPage::btnKeysResetClick() {
  outputKeys_.Clear();
  ShowOutputKeys();
  SetFocus(edtArguments);
}

void TKeyPage::EnableRaiseOptions() {
  const bool program = IsProgramPath(GetControlText(edtPath));
  SetEnabled(chkRaise, program);
  SetEnabled(chkMinimize, program && IsChecked(chkRaise));
}

// A "$" entry runs no program: its boxes, disabled, keep their marks but store nothing.
bool TKeyPage::RaiseChosen() const {
  return IsProgramPath(GetControlText(edtPath)) && IsChecked(chkRaise);
}

bool TKeyPage::MinimizeChosen() const { return RaiseChosen() && IsChecked(chkMinimize); }

// Only the two words of the boxes change; other option words stay where they are.
void TKeyPage::StoreRaiseOptions(TKeyInfo& info) const {
  if (info.HasOption(kOptionRaise) != RaiseChosen()) info.SetOption(kOptionRaise, RaiseChosen());
  if (info.HasOption(kOptionMinimize) != MinimizeChosen())
    info.SetOption(kOptionMinimize, MinimizeChosen());
}
