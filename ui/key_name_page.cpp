#include "ui/key_name_page.h"

#include "data/chord.h"
#include "data/key_manager.h"
#include "data/key_name_manager.h"
#include "engine/key_display.h"
#include "toolkit/command_map.h"
#include "toolkit/controls.h"
#include "toolkit/key_box.h"
#include "toolkit/message_box.h"
#include "ui/control_ids.h"
#include "ui/key_name_entry.h"
#include "ui/list_filter.h"

namespace {

const int kConsoleHeight = 65;
const int kMaxNameLength = 32;

}  // namespace

TKeyNamePage::TKeyNamePage(TPageHost& host, HWND panel, HFONT font)
    : host_(host), panel_(panel), font_(font) {
  CreateControls();
}

void TKeyNamePage::CreateControls() {
  const TScale& s = host_.LayoutScale();
  RECT page;
  GetClientRect(panel_, &page);
  const int consoleHeight = s.Px(kConsoleHeight);
  const int consoleTop = page.bottom - consoleHeight;
  TCommandMap& commands = host_.Commands();
  findBox_ = std::make_unique<TFindBox>(panel_, s, font_, kKeyNameFindId, kKeyNameFindCountId,
                                        commands, [this] { FillList(); });
  const int listTop = s.Px(TFindBox::kHeight);
  lvKeyName = CreateReportList(panel_, {0, listTop, page.right, consoleTop - listTop}, font_, kKeyNameListId,
                               {{"キー", s.Px(150)}, {"割り当て名", s.Px(150)}});
  OnRowSelection(commands, lvKeyName,
                 [this](int row, bool selected) { lvKeyNameSelectItem(row, selected); });
  panKeyNameConsole = CreatePanel(panel_, {0, consoleTop, page.right, consoleHeight}, commands);
  CreateLabel(panKeyNameConsole, "キー(&K)", s.Place({8, 12, 38, 13}), font_);
  edtSrcKey = CreateEdit(panKeyNameConsole, s.Place({48, 8, 121, 20}), font_, kSrcKeyId, 0, true, true);
  InstallKeyBox(edtSrcKey);
  commands.OnCommand(edtSrcKey, EN_SETFOCUS, [this] { edtSrcKeyEnter(); });
  commands.OnCommand(edtSrcKey, EN_KILLFOCUS, [this] { edtSrcKeyExit(); });
  CreateLabel(panKeyNameConsole, "割り当て名(&N)", s.Place({184, 12, 72, 13}), font_);
  edtDestName = CreateEdit(panKeyNameConsole, s.Place({258, 8, 155, 20}), font_, kDestNameId,
                           kMaxNameLength);
  btnKeyAdd = CreateButton(panKeyNameConsole, "追加", s.Place({8, 36, 88, 21}), font_, kKeyAddId);
  commands.OnClick(btnKeyAdd, [this] { btnKeyAddClick(); });
  btnKeyUpdate = CreateButton(panKeyNameConsole, "更新", s.Place({100, 36, 88, 21}), font_, kKeyUpdateId);
  commands.OnClick(btnKeyUpdate, [this] { btnKeyUpdateClick(); });
  btnKeyDelete = CreateButton(panKeyNameConsole, "削除", s.Place({192, 36, 88, 21}), font_, kKeyDeleteId);
  commands.OnClick(btnKeyDelete, [this] { btnKeyDeleteClick(); });
}

void TKeyNamePage::CaptureKey(UINT, LPARAM keystrokeFlags) {
  SetControlText(edtSrcKey, KeyDisplayName(static_cast<uint32_t>(keystrokeFlags), nullptr));
}

void TKeyNamePage::ResetCapture() { SetControlText(edtSrcKey, ""); }

void TKeyNamePage::OnIdle() {
  const bool selected = SelectedListRow(lvKeyName) >= 0;
  SetEnabled(btnKeyUpdate, selected);
  SetEnabled(btnKeyDelete, selected);
}

void TKeyNamePage::FillList() {
  SendMessageA(lvKeyName, WM_SETREDRAW, FALSE, 0);
  SendMessageA(lvKeyName, LVM_DELETEALLITEMS, 0, 0);
  const TKeyNameManager& names = host_.KeyNameManager();
  for (int index : FoundKeyNames(names, findBox_->Text())) {
    TKeyName* entry = names.Get(index);
    AppendListRow(lvKeyName, entry->Key, {entry->Name}, entry);
  }
  SendMessageA(lvKeyName, WM_SETREDRAW, TRUE, 0);
  InvalidateRect(lvKeyName, nullptr, TRUE);
  ShowCount();
}

void TKeyNamePage::ShowCount() {
  findBox_->ShowCount(static_cast<size_t>(SendMessageA(lvKeyName, LVM_GETITEMCOUNT, 0, 0)),
                      static_cast<size_t>(host_.KeyNameManager().Count()));
}

int TKeyNamePage::SelectedIndex() const {
  int row;
  const TKeyName* entry = SelectedEntry(row);
  const TKeyNameManager& names = host_.KeyNameManager();
  for (int index = 0; entry && index < names.Count(); ++index)
    if (names.Get(index) == entry) return index;
  return -1;
}

void TKeyNamePage::lvKeyNameSelectItem(int row, bool selected) {
  if (!selected) return;
  if (const auto* entry = static_cast<const TKeyName*>(ListRowData(lvKeyName, row))) {
    SetControlText(edtSrcKey, entry->Key);
    SetControlText(edtDestName, entry->Name);
  }
}

void TKeyNamePage::edtSrcKeyEnter() { host_.BeginCapture(); }

void TKeyNamePage::edtSrcKeyExit() { host_.EndCapture(); }

TKeyName* TKeyNamePage::SelectedEntry(int& row) const {
  row = SelectedListRow(lvKeyName);
  return row < 0 ? nullptr : static_cast<TKeyName*>(ListRowData(lvKeyName, row));
}

bool TKeyNamePage::CheckKeyNameInput(bool adding, std::string& key, std::string& name) {
  key = TrimBlankBytes(GetControlText(edtSrcKey));
  name = TrimBlankBytes(GetControlText(edtDestName));
  const std::string message = KeyNameInputError(host_.KeyNameManager(), key, name, adding,
                                                SelectedIndex());
  if (message.empty()) return true;
  ShowError(host_.OwnerWindow(), message);
  return false;
}

void TKeyNamePage::ClearKeyNameInput() {
  SetControlText(edtSrcKey, "");
  SetControlText(edtDestName, "");
}

void TKeyNamePage::btnKeyAddClick() {
  std::string key, name;
  if (!CheckKeyNameInput(true, key, name)) return;
  TKeyName* entry = host_.KeyNameManager().Add(key, name);
  // The new entry joins the rows shown when the find box would find it.
  if (KeyNameFinds(*entry, FindKey(findBox_->Text()))) {
    const int row = AppendListRow(lvKeyName, key, {name}, entry);
    SendMessageA(lvKeyName, LVM_ENSUREVISIBLE, static_cast<WPARAM>(row), FALSE);
  }
  ShowCount();
  ClearKeyNameInput();
}

void TKeyNamePage::btnKeyUpdateClick() {
  int row;
  TKeyName* entry = SelectedEntry(row);
  if (!entry) return;
  std::string key, name;
  if (!CheckKeyNameInput(false, key, name)) return;
  entry->Key = key;
  entry->Name = name;
  SetListRow(lvKeyName, row, key, {name});
  SendMessageA(lvKeyName, LVM_ENSUREVISIBLE, static_cast<WPARAM>(row), FALSE);
  RefreshKeyTexts(key);
}

void TKeyNamePage::btnKeyDeleteClick() {
  int row;
  TKeyName* entry = SelectedEntry(row);
  if (!entry) return;
  host_.KeyNameManager().Remove(entry);
  SendMessageA(lvKeyName, LVM_DELETEITEM, static_cast<WPARAM>(row), 0);
  ShowCount();
  ClearKeyNameInput();
}

void TKeyNamePage::RefreshKeyTexts(const std::string& key) {
  TKeyManager& keys = host_.KeyManager();
  for (const TKeyTextChange& change : RebuiltKeyTexts(keys, host_.KeyNameManager(), key)) {
    keys.Edit(change.index)->SetKeyText(change.text);
    host_.KeyTextChanged(change.index);
  }
}
