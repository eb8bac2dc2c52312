// A colour panel: a small raised panel whose face shows one colour. A left click on it is
// reported to the parent as WM_COMMAND with the panel's id and BN_CLICKED.
#pragma once

#include <windows.h>

#include "toolkit/controls.h"

HWND CreateColorPanel(HWND parent, TControlPlace place, WORD id, COLORREF color);
COLORREF ColorPanelColor(HWND panel);
void SetColorPanelColor(HWND panel, COLORREF color);
