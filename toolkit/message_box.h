// The one way the program shows an error: caption "エラー", error icon.
#pragma once

#include <windows.h>

#include <string>

void ShowError(HWND owner, const std::string& text);
