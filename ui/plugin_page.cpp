#include "ui/plugin_page.h"

#include <commdlg.h>

#include <algorithm>
#include <initializer_list>
#include <vector>

#include "data/platform.h"
#include "plugins/plugin_manager.h"
#include "toolkit/command_map.h"
#include "toolkit/controls.h"
#include "toolkit/message_box.h"
#include "ui/control_ids.h"
#include "ui/plugin_entry.h"

namespace {

enum TPluginColumn { kMacroColumn, kNameColumn, kDescriptionColumn, kValueColumn, kPathColumn };

const int kConsoleHeight = 121;
const int kListTop = 21;

const char kOpenTitle[] = "プラグインの選択";
// Description and pattern pairs, each ending in a NUL, the list in a second NUL.
const char kOpenFilter[] =
    "Vakroプラグイン (*.vpi)\0*.vpi\0"
    "ダイナミックリンクライブラリ (*.dll)\0*.dll\0"
    "全てのファイル (*.*)\0*.*\0";

// A label that has grown to its caption (a stand-in font wider than the layout's) would run
// under its box: the boxes then start after the widest label, keeping their right edges.
void FitBesideLabels(std::initializer_list<HWND> labels, std::initializer_list<HWND> boxes,
                     int gap) {
  int left = 0;
  for (HWND label : labels) left = std::max<int>(left, PlaceInParent(label).right + gap);
  for (HWND box : boxes) {
    const RECT place = PlaceInParent(box);
    if (place.left >= left) continue;
    SetWindowPos(box, nullptr, left, place.top, place.right - left, place.bottom - place.top,
                 SWP_NOZORDER | SWP_NOACTIVATE);
  }
}

// A registration whose library was not there at start, or that faulted, says so in the row.
std::string NameCell(const tagPLUGININFO& registration) {
  return registration.module ? registration.name : "(未読み込み)";
}

std::string DescriptionCell(const tagPLUGININFO& registration) {
  if (!registration.module) return "読み込めませんでした。次の起動で再び読み込みます。";
  if (registration.broken) return "エラーが発生したため停止中です。";
  return registration.description;
}

}  // namespace

TPluginPage::TPluginPage(TPageHost& host, HWND panel, HFONT font)
    : host_(host), panel_(panel), font_(font) {
  imgButtons_.Reset(ImageList_LoadImageA(GetModuleHandleA(nullptr), "BROWSE", 16, 1,
                                         RGB(255, 0, 255), IMAGE_BITMAP, LR_CREATEDIBSECTION));
  CreateControls();
}

// Creation order is the tab order; each label comes just before the box its mnemonic focuses.
void TPluginPage::CreateControls() {
  const TScale& s = host_.LayoutScale();
  RECT page;
  GetClientRect(panel_, &page);
  const int consoleHeight = s.Px(kConsoleHeight);
  const int consoleTop = page.bottom - consoleHeight;
  const int listTop = s.Px(kListTop);
  const int column = s.Px(100);
  CreateLabel(panel_, "登録されているプラグイン", {s.Px(4), s.Px(4), page.right - s.Px(8), s.Px(13)},
              font_);
  lvPlugin = CreateReportList(panel_, {0, listTop, page.right, consoleTop - listTop}, font_,
                              kPluginListId,
                              {{"マクロ", column}, {"名前", column}, {"説明", column},
                               {"引き渡す値", column}, {"パス", column}});
  TCommandMap& commands = host_.Commands();
  OnRowSelection(commands, lvPlugin,
                 [this](int row, bool selected) { lvPluginSelectItem(row, selected); });
  panPlugin = CreatePanel(panel_, {0, consoleTop, page.right, consoleHeight}, commands);
  HWND panel = panPlugin;
  HWND lblPlugPath = CreateLabel(panel, "プラグインのパス(&P)", s.Place({8, 12, 88, 13}), font_);
  edtPlugPath = CreateEdit(panel, s.Place({100, 8, 285, 20}), font_, kPlugPathId, 0);
  HWND lblValue = CreateLabel(panel, "引き渡す値(&V)", s.Place({8, 40, 88, 13}), font_);
  edtValue = CreateEdit(panel, s.Place({100, 36, 313, 20}), font_, kValueId, 0, false, true);
  HWND lblMacro = CreateLabel(panel, "マクロ(&M)", s.Place({8, 68, 88, 13}), font_);
  edtMacro = CreateEdit(panel, s.Place({100, 64, 313, 20}), font_, kMacroId, 0, false, true);
  FitBesideLabels({lblPlugPath, lblValue, lblMacro}, {edtPlugPath, edtValue, edtMacro}, s.Px(4));
  btnPlugAdd = CreateButton(panel, "追加", s.Place({8, 92, 88, 21}), font_, kPlugAddId);
  commands.OnClick(btnPlugAdd, [this] { btnPlugAddClick(); });
  btnPlugUpdate = CreateButton(panel, "更新", s.Place({100, 92, 88, 21}), font_, kPlugUpdateId);
  commands.OnClick(btnPlugUpdate, [this] { btnPlugUpdateClick(); });
  btnPlugDelete = CreateButton(panel, "削除", s.Place({192, 92, 88, 21}), font_, kPlugDeleteId);
  commands.OnClick(btnPlugDelete, [this] { btnPlugDeleteClick(); });
  btnPluginSetting = CreateButton(panel, "設定", s.Place({326, 92, 88, 21}), font_, kPluginSettingId);
  commands.OnClick(btnPluginSetting, [this] { btnPluginSettingClick(); });
  tbPluginPath = CreateToolButton(panel, s.Place({391, 8, 25, 24}), imgButtons_.Get(), 0, kPluginPathButtonId);
  commands.OnClick(tbPluginPath, [this] { tbbPluginPathClick(); });
}

// The plug-in is asked on every idle pass while its row is selected: its answer may change.
void TPluginPage::OnIdle() {
  const int row = SelectedListRow(lvPlugin);
  const bool selected = row >= 0;
  SetEnabled(btnPlugUpdate, selected);
  SetEnabled(btnPlugDelete, selected);
  SetEnabled(btnPluginSetting, selected && host_.PluginManager().HasDialog(row));
}

void TPluginPage::SetPluginPath(const std::string& path) { SetControlText(edtPlugPath, path); }

int TPluginPage::AddPluginItem(const tagPLUGININFO& registration) {
  return AppendListRow(lvPlugin, registration.macro,
                       {NameCell(registration), DescriptionCell(registration), registration.value,
                        registration.path},
                       &registration);
}

void TPluginPage::FillList() {
  TPluginManager& plugins = host_.PluginManager();
  SendMessageA(lvPlugin, WM_SETREDRAW, FALSE, 0);
  SendMessageA(lvPlugin, LVM_DELETEALLITEMS, 0, 0);
  for (int i = 0; i < plugins.GetCount(); ++i) AddPluginItem(*plugins.GetPlugin(i));
  SendMessageA(lvPlugin, WM_SETREDRAW, TRUE, 0);
  InvalidateRect(lvPlugin, nullptr, TRUE);
}

bool TPluginPage::CheckPluginInput(int excludeIndex, std::string& path, std::string& value,
                                   std::string& macro) {
  const TPluginInput input = NormalisePluginInput(
      GetControlText(edtPlugPath), GetControlText(edtValue), GetControlText(edtMacro));
  path = input.path;
  value = input.value;
  macro = input.macro;
  const TPluginManager& plugins = host_.PluginManager();
  const std::string message = PluginInputError(
      input, excludeIndex,
      {platform::FileExists, TPluginManager::IsPlugin,
       [&plugins](const std::string& name) { return plugins.IndexOfMacro(name); }});
  if (message.empty()) return true;
  ShowError(host_.OwnerWindow(), message);
  return false;
}

void TPluginPage::ClearPluginInput() {
  SetControlText(edtPlugPath, "");
  SetControlText(edtValue, "");
  SetControlText(edtMacro, "");
}

void TPluginPage::lvPluginSelectItem(int row, bool selected) {
  if (!selected) return;
  if (const tagPLUGININFO* registration = host_.PluginManager().GetPlugin(row)) {
    SetControlText(edtPlugPath, registration->path);
    SetControlText(edtValue, registration->value);
    SetControlText(edtMacro, registration->macro);
  }
}

void TPluginPage::btnPlugAddClick() {
  std::string path, value, macro;
  if (!CheckPluginInput(-1, path, value, macro)) return;
  TPluginManager& plugins = host_.PluginManager();
  tagPLUGININFO* registration = plugins.Add(path, value, macro);
  if (!registration) {
    ShowError(host_.OwnerWindow(), "プラグインを追加できませんでした。");
    return;
  }
  const int row = AddPluginItem(*registration);
  SendMessageA(lvPlugin, LVM_ENSUREVISIBLE, static_cast<WPARAM>(row), FALSE);
  // The new registration is the last one, whether or not its row could be made.
  plugins.Register(plugins.GetCount() - 1);
  ClearPluginInput();
}

void TPluginPage::btnPlugUpdateClick() {
  const int row = SelectedListRow(lvPlugin);
  if (row < 0) return;
  std::string path, value, macro;
  if (!CheckPluginInput(row, path, value, macro)) return;
  if (!host_.PluginManager().Update(row, path, value, macro)) {
    ShowError(host_.OwnerWindow(), "プラグインを更新できませんでした。");
    return;
  }
  SetListCell(lvPlugin, row, kMacroColumn, macro);
  SetListCell(lvPlugin, row, kValueColumn, value);
  SetListCell(lvPlugin, row, kPathColumn, path);
}

void TPluginPage::btnPlugDeleteClick() {
  const int row = SelectedListRow(lvPlugin);
  if (row < 0) return;
  TPluginManager& plugins = host_.PluginManager();
  plugins.Unregister(row);
  if (!plugins.Delete(row)) {
    ShowError(host_.OwnerWindow(), "プラグインを削除できませんでした。");
    return;
  }
  SendMessageA(lvPlugin, LVM_DELETEITEM, static_cast<WPARAM>(row), 0);
  ClearPluginInput();
}

void TPluginPage::btnPluginSettingClick() {
  const int row = SelectedListRow(lvPlugin);
  if (row >= 0) host_.PluginManager().ShowDialog(host_.OwnerWindow(), row);
}

void TPluginPage::tbbPluginPathClick() {
  if (ChooseExistingFile(host_.OwnerWindow(), kOpenTitle, kOpenFilter, "vpi", lastOpenedFile_))
    SetControlText(edtPlugPath, lastOpenedFile_);
}
