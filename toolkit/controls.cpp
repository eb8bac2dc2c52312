#include "toolkit/controls.h"

#include <commctrl.h>
#include <commdlg.h>
#include <imm.h>

#include <algorithm>
#include <vector>

#include "toolkit/command_map.h"
#include "toolkit/current_folder.h"
#include "toolkit/dpi.h"
#include "toolkit/handles.h"

namespace {

HWND CreateControl(const char* className, const char* text, DWORD style, DWORD exStyle,
                   TControlPlace place, HWND parent, WORD id, HFONT font) {
  HWND control = CreateWindowExA(exStyle, className, text, WS_CHILD | WS_VISIBLE | style,
                                 place.left, place.top, place.width, place.height, parent,
                                 reinterpret_cast<HMENU>(static_cast<UINT_PTR>(id)),
                                 GetModuleHandleA(nullptr), nullptr);
  if (font) SendMessageA(control, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
  return control;
}

// Commands and notifications of the panel's children run their handlers.
LRESULT CALLBACK PanelProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam,
                           UINT_PTR, DWORD_PTR commandMap) {
  const TCommandMap& commands = *reinterpret_cast<const TCommandMap*>(commandMap);
  if (LRESULT result; commands.Dispatch(message, wParam, lParam, result)) return result;
  if (message == WM_NCDESTROY) RemoveWindowSubclass(window, PanelProc, 0);
  return DefSubclassProc(window, message, wParam, lParam);
}

void SetSubItems(HWND list, int row, std::initializer_list<std::string> subItems) {
  int column = 1;
  for (const std::string& text : subItems) SetListCell(list, row, column++, text);
}

}  // namespace

namespace {

SIZE CaptionSize(HWND control) {
  return TextLineSize(control, reinterpret_cast<HFONT>(SendMessageA(control, WM_GETFONT, 0, 0)),
                      GetControlText(control));
}

void WidenTo(HWND control, int needed) {
  RECT box;
  GetClientRect(control, &box);
  if (needed > box.right)
    SetWindowPos(control, nullptr, 0, 0, needed, box.bottom, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

}  // namespace

SIZE TextLineSize(HWND window, HFONT font, const std::string& text) {
  const TWindowDC dc(window);
  const TSelection selection(dc.Get(), font);
  RECT bounds = {0, 0, 0, 0};
  DrawTextA(dc.Get(), text.c_str(), static_cast<int>(text.size()), &bounds,
            DT_CALCRECT | DT_SINGLELINE);
  TEXTMETRICA metrics = {};
  GetTextMetricsA(dc.Get(), &metrics);
  return {bounds.right, std::max<LONG>(bounds.bottom, metrics.tmHeight)};
}

HWND CreateLabel(HWND parent, const char* text, TControlPlace place, HFONT font, WORD id) {
  HWND label = CreateControl(WC_STATICA, text, SS_LEFT, 0, place, parent, id, font);
  // A one-line label sizes itself to its caption, as the layout's labels are meant to; a
  // label tall enough for two lines keeps its width and wraps.
  SIZE caption = CaptionSize(label);
  if (place.height < 2 * caption.cy) WidenTo(label, caption.cx);
  return label;
}

HWND CreateEdit(HWND parent, TControlPlace place, HFONT font, WORD id, int maxLength,
                bool readOnly, bool inputMethodOff) {
  DWORD style = WS_TABSTOP | ES_AUTOHSCROLL | (readOnly ? ES_READONLY : 0);
  HWND edit = CreateControl(WC_EDITA, "", style, WS_EX_CLIENTEDGE, place, parent, id, font);
  if (maxLength > 0) SendMessageA(edit, EM_LIMITTEXT, maxLength, 0);
  if (inputMethodOff) ImmAssociateContext(edit, nullptr);
  return edit;
}

HWND CreateButton(HWND parent, const char* text, TControlPlace place, HFONT font, WORD id) {
  return CreateControl(WC_BUTTONA, text, WS_TABSTOP | BS_PUSHBUTTON, 0, place, parent, id, font);
}

HWND CreateCheckBox(HWND parent, const char* text, TControlPlace place, HFONT font, WORD id) {
  return CreateControl(WC_BUTTONA, text, WS_TABSTOP | BS_AUTOCHECKBOX, 0, place, parent, id, font);
}

void WidenToCaption(HWND checkBox, int dpi) {
  WidenTo(checkBox,
          CaptionSize(checkBox).cx + SystemMetricForDpi(SM_CXMENUCHECK, dpi) + TScale(dpi).Px(8));
}

HWND CreateGroupBox(HWND parent, const char* text, TControlPlace place, HFONT font) {
  return CreateControl(WC_BUTTONA, text, BS_GROUPBOX, 0, place, parent, 0, font);
}

HWND CreateDropDownList(HWND parent, TControlPlace place, HFONT font, WORD id,
                        std::initializer_list<const char*> items) {
  HWND list = CreateControl(WC_COMBOBOXA, "", WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWNLIST, 0,
                            {place.left, place.top, place.width, place.height + 200}, parent,
                            id, font);
  for (const char* item : items) SendMessageA(list, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(item));
  return list;
}

HWND CreateReportList(HWND parent, TControlPlace place, HFONT font, WORD id,
                      std::initializer_list<TListColumn> columns, DWORD extraStyle,
                      bool oneRowAtATime) {
  const DWORD selection = oneRowAtATime ? LVS_SINGLESEL : 0;
  HWND list = CreateControl(WC_LISTVIEWA, "",
                            WS_TABSTOP | LVS_REPORT | selection | LVS_SHOWSELALWAYS | extraStyle,
                            WS_EX_CLIENTEDGE, place, parent, id, font);
  ListView_SetExtendedListViewStyle(list, LVS_EX_FULLROWSELECT);
  int index = 0;
  for (const TListColumn& column : columns) {
    LVCOLUMNA item = {};
    item.mask = LVCF_TEXT | LVCF_WIDTH;
    item.pszText = const_cast<char*>(column.caption);
    item.cx = column.width;
    SendMessageA(list, LVM_INSERTCOLUMNA, index++, reinterpret_cast<LPARAM>(&item));
  }
  return list;
}

HWND CreatePanel(HWND parent, TControlPlace place, const TCommandMap& commands) {
  HWND panel = CreateWindowExA(WS_EX_CONTROLPARENT, WC_STATICA, "",
                               WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS, place.left, place.top,
                               place.width, place.height, parent, nullptr,
                               GetModuleHandleA(nullptr), nullptr);
  SetWindowSubclass(panel, PanelProc, 0, reinterpret_cast<DWORD_PTR>(&commands));
  return panel;
}

HWND CreateTabs(HWND parent, TControlPlace place, HFONT font, WORD id,
                std::initializer_list<const char*> captions) {
  HWND tabs = CreateControl(WC_TABCONTROLA, "", WS_CLIPSIBLINGS | WS_TABSTOP, 0, place, parent,
                            id, font);
  int index = 0;
  for (const char* caption : captions) {
    TCITEMA item = {};
    item.mask = TCIF_TEXT;
    item.pszText = const_cast<char*>(caption);
    SendMessageA(tabs, TCM_INSERTITEMA, index++, reinterpret_cast<LPARAM>(&item));
  }
  return tabs;
}

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

std::string GetControlText(HWND control) {
  int length = GetWindowTextLengthA(control);
  std::vector<char> text(static_cast<size_t>(length) + 1);
  int got = GetWindowTextA(control, text.data(), length + 1);
  return std::string(text.data(), got > 0 ? static_cast<size_t>(got) : 0);
}

void SetControlText(HWND control, const std::string& text) {
  SetWindowTextA(control, text.c_str());
}

bool IsChecked(HWND checkBox) {
  return SendMessageA(checkBox, BM_GETCHECK, 0, 0) == BST_CHECKED;
}

void SetChecked(HWND checkBox, bool checked) {
  SendMessageA(checkBox, BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0);
}

int AppendListRow(HWND list, const std::string& caption,
                  std::initializer_list<std::string> subItems, const void* data) {
  LVITEMA item = {};
  item.mask = LVIF_TEXT | LVIF_PARAM;
  item.iItem = static_cast<int>(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0));
  item.pszText = const_cast<char*>(caption.c_str());
  item.lParam = reinterpret_cast<LPARAM>(data);
  int row = static_cast<int>(SendMessageA(list, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item)));
  if (row >= 0) SetSubItems(list, row, subItems);
  return row;
}

void SetListRow(HWND list, int row, const std::string& caption,
                std::initializer_list<std::string> subItems) {
  SetListCell(list, row, 0, caption);
  SetSubItems(list, row, subItems);
}

void SetListCell(HWND list, int row, int subItem, const std::string& text) {
  LVITEMA item = {};
  item.iSubItem = subItem;
  item.pszText = const_cast<char*>(text.c_str());
  SendMessageA(list, LVM_SETITEMTEXTA, row, reinterpret_cast<LPARAM>(&item));
}

int SelectedListRow(HWND list) {
  return static_cast<int>(SendMessageA(list, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED));
}

std::vector<int> SelectedListRows(HWND list) {
  std::vector<int> rows;
  for (int row = SelectedListRow(list); row >= 0;
       row = static_cast<int>(SendMessageA(list, LVM_GETNEXTITEM, static_cast<WPARAM>(row), LVNI_SELECTED)))
    rows.push_back(row);
  return rows;
}

void OnRowSelection(TCommandMap& commands, HWND list,
                    std::function<void(int row, bool selected)> handler) {
  commands.OnNotify(list, LVN_ITEMCHANGED, [handler = std::move(handler)](NMHDR& header) {
    const auto& change = reinterpret_cast<const NMLISTVIEW&>(header);
    if ((change.uChanged & LVIF_STATE) && ((change.uOldState ^ change.uNewState) & LVIS_SELECTED))
      handler(change.iItem, (change.uNewState & LVIS_SELECTED) != 0);
    return LRESULT{0};
  });
}

void* ListRowData(HWND list, int row) {
  LVITEMA item = {};
  item.mask = LVIF_PARAM;
  item.iItem = row;
  if (!SendMessageA(list, LVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&item))) return nullptr;
  return reinterpret_cast<void*>(item.lParam);
}

HWND CreateToolButton(HWND parent, TControlPlace place, HIMAGELIST images, int image,
                      WORD buttonId) {
  const DWORD style = WS_TABSTOP | TBSTYLE_FLAT | TBSTYLE_TOOLTIPS | CCS_NORESIZE |
                      CCS_NODIVIDER | CCS_NOPARENTALIGN;
  HWND bar = CreateControl(TOOLBARCLASSNAMEA, "", style, 0, place, parent, buttonId, nullptr);
  SendMessageA(bar, TB_BUTTONSTRUCTSIZE, sizeof(TBBUTTON), 0);
  SendMessageA(bar, TB_SETIMAGELIST, 0, reinterpret_cast<LPARAM>(images));
  TBBUTTON button = {};
  button.iBitmap = image;
  button.idCommand = buttonId;
  button.fsState = TBSTATE_ENABLED;
  button.fsStyle = BTNS_BUTTON;
  SendMessageA(bar, TB_ADDBUTTONSA, 1, reinterpret_cast<LPARAM>(&button));
  return bar;
}

HWND CreateIconImage(HWND parent, TControlPlace place, HICON icon, WORD id) {
  HWND image = CreateControl(WC_STATICA, "", SS_ICON | SS_REALSIZECONTROL | SS_NOTIFY, 0, place,
                             parent, id, nullptr);
  SendMessageA(image, STM_SETICON, reinterpret_cast<WPARAM>(icon), 0);
  SetWindowPos(image, nullptr, 0, 0, place.width, place.height, SWP_NOMOVE | SWP_NOZORDER);
  return image;
}

namespace {

// The open or save dialog, starting from `file`; the current folder is the caller's again after.
bool ChooseFile(HWND owner, const char* title, const char* filter, const char* extension,
                std::string& file, bool saving) {
  std::vector<char> buffer(1024, '\0');
  file.copy(buffer.data(), buffer.size() - 1);
  OPENFILENAMEA dialog = {};
  dialog.lStructSize = sizeof dialog;
  dialog.hwndOwner = owner;
  dialog.lpstrFilter = filter;
  dialog.nFilterIndex = 1;
  dialog.lpstrFile = buffer.data();
  dialog.nMaxFile = static_cast<DWORD>(buffer.size());
  dialog.lpstrTitle = title;
  dialog.lpstrDefExt = extension;
  dialog.Flags = OFN_EXPLORER | OFN_HIDEREADONLY | OFN_PATHMUSTEXIST | OFN_ENABLESIZING |
                 (saving ? OFN_OVERWRITEPROMPT : OFN_FILEMUSTEXIST);
  const TCurrentFolderKeeper keeper;
  if (!(saving ? GetSaveFileNameA(&dialog) : GetOpenFileNameA(&dialog))) return false;
  file = buffer.data();
  return true;
}

}  // namespace

bool ChooseExistingFile(HWND owner, const char* title, const char* filter, const char* extension,
                        std::string& file) {
  return ChooseFile(owner, title, filter, extension, file, false);
}

bool ChooseFileToSave(HWND owner, const char* title, const char* filter, const char* extension,
                      std::string& file) {
  return ChooseFile(owner, title, filter, extension, file, true);
}
