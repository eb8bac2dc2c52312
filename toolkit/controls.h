// Small creators for the standard controls of the settings window. Each creates one child
// window with the window's font and the given id; the caller keeps the handle.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <functional>
#include <initializer_list>
#include <string>
#include <vector>

#include "data/dpi_scale.h"

class TCommandMap;

using TControlPlace = TLayoutPlace;

HWND CreateLabel(HWND parent, const char* text, TControlPlace place, HFONT font, WORD id = 0);
// An edit box; maxLength 0 is no limit. A read-only box may also have the input method off.
HWND CreateEdit(HWND parent, TControlPlace place, HFONT font, WORD id, int maxLength,
                bool readOnly = false, bool inputMethodOff = false);
HWND CreateButton(HWND parent, const char* text, TControlPlace place, HFONT font, WORD id);
HWND CreateCheckBox(HWND parent, const char* text, TControlPlace place, HFONT font, WORD id);
// The size of `text` drawn on one line in `font` on `window` (mnemonic ampersands taken out, as
// a label shows them), at least the font's line height.
SIZE TextLineSize(HWND window, HFONT font, const std::string& text);
// Widens a check box whose caption does not fit, as when a stand-in font is wider than the
// font the layout was made for.
void WidenToCaption(HWND checkBox, int dpi);
HWND CreateGroupBox(HWND parent, const char* text, TControlPlace place, HFONT font);
// A drop-down list that cannot be edited, holding `items` in order.
HWND CreateDropDownList(HWND parent, TControlPlace place, HFONT font, WORD id,
                        std::initializer_list<const char*> items);
// A report-style list: whole-row selection, one row at a time, selection kept visible, no
// in-place editing; columns are (caption, width). `extraStyle` adds list-view styles
// (LVS_OWNERDATA for a list whose rows are asked of its owner when drawn).
struct TListColumn {
  const char* caption;
  int width;
};
HWND CreateReportList(HWND parent, TControlPlace place, HFONT font, WORD id,
                      std::initializer_list<TListColumn> columns, DWORD extraStyle = 0,
                      bool oneRowAtATime = true);

// A container for controls, with no border of its own; the commands and notifications of its
// children run their handlers in `commands`, which must outlive the panel.
HWND CreatePanel(HWND parent, TControlPlace place, const TCommandMap& commands);
// A page control (tabs) with one tab per caption, in order.
HWND CreateTabs(HWND parent, TControlPlace place, HFONT font, WORD id,
                std::initializer_list<const char*> captions);

// A control's rectangle in its parent's client coordinates.
RECT PlaceInParent(HWND control);
// Moves a control within its parent, its top and height kept.
void MoveHorizontally(HWND control, int left, int width);
// Enables or disables a control; one already in that state is left alone (no redraw).
void SetEnabled(HWND control, bool enabled);

std::string GetControlText(HWND control);
void SetControlText(HWND control, const std::string& text);
bool IsChecked(HWND checkBox);
void SetChecked(HWND checkBox, bool checked);

// Report-list rows: caption and sub-items, with an opaque pointer as the row's data.
int AppendListRow(HWND list, const std::string& caption,
                  std::initializer_list<std::string> subItems, const void* data);
void SetListRow(HWND list, int row, const std::string& caption,
                std::initializer_list<std::string> subItems);
void SetListCell(HWND list, int row, int subItem, const std::string& text);
int SelectedListRow(HWND list);
// Every selected row, in order.
std::vector<int> SelectedListRows(HWND list);
// Registers `handler` for the rows of `list` that become selected or deselected.
void OnRowSelection(TCommandMap& commands, HWND list,
                    std::function<void(int row, bool selected)> handler);
void* ListRowData(HWND list, int row);

// A flat tool bar holding one button that shows image `image` of `images`; a click arrives as
// WM_COMMAND with `buttonId` from the tool bar. The tool bar takes the focus like a control.
HWND CreateToolButton(HWND parent, TControlPlace place, HIMAGELIST images, int image,
                      WORD buttonId);
// A picture showing `icon` stretched to the control's size; it receives mouse clicks.
HWND CreateIconImage(HWND parent, TControlPlace place, HICON icon, WORD id);

// The file-open dialog for an existing file, starting from `file` (the last one chosen); true
// and `file` replaced when the user confirms one.
bool ChooseExistingFile(HWND owner, const char* title, const char* filter, const char* extension,
                        std::string& file);
// The save dialog, likewise; it asks before a file is replaced.
bool ChooseFileToSave(HWND owner, const char* title, const char* filter, const char* extension,
                      std::string& file);
