#include "toolkit/message_box.h"

void ShowError(HWND owner, const std::string& text) {
  MessageBoxA(owner, text.c_str(), "エラー", MB_ICONERROR);
}

void ShowInformation(HWND owner, const std::string& text) {
  MessageBoxA(owner, text.c_str(), "Vakro", MB_ICONINFORMATION);
}
