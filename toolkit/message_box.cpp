#include "toolkit/message_box.h"

namespace {

ErrorSink& Sink() {
  static ErrorSink sink;
  return sink;
}

}  // namespace

void ShowError(HWND owner, const std::string& text) {
  if (Sink()) {
    Sink()(owner, text);
    return;
  }
  MessageBoxA(owner, text.c_str(), "エラー", MB_ICONERROR);
}

void SetErrorSink(ErrorSink sink) { Sink() = std::move(sink); }
