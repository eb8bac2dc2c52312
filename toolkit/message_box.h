// The one way the program shows an error: caption "エラー", error icon.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

void ShowError(HWND owner, const std::string& text);

// Tests replace the dialog with a recorder; null restores the real message box.
using ErrorSink = std::function<void(HWND owner, const std::string& text)>;
void SetErrorSink(ErrorSink sink);
