// The one way the program shows an error (caption "エラー", error icon), and a report.
#pragma once

#include <windows.h>

#include <string>

void ShowError(HWND owner, const std::string& text);

// A report of what was done: caption "Vakro", information icon.
void ShowInformation(HWND owner, const std::string& text);
