#include "engine/program_starter.h"

#include <windows.h>
#include <objbase.h>
#include <shellapi.h>

#include <memory>

namespace {

struct TProgramStart {
  std::string path;
  std::string arguments;
  std::string workPath;
};

const char* OrNull(const std::string& text) { return text.empty() ? nullptr : text.c_str(); }

void Start(const TProgramStart& start) {
  ShellExecuteA(nullptr, "open", start.path.c_str(), OrNull(start.arguments), OrNull(start.workPath),
                SW_SHOW);
}

// The shell may hand the start to COM objects (shortcuts, associations), so the thread has COM.
DWORD WINAPI StartThread(LPVOID parameter) {
  std::unique_ptr<TProgramStart> start(static_cast<TProgramStart*>(parameter));
  const HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
  Start(*start);
  if (SUCCEEDED(com)) CoUninitialize();
  return 0;
}

}  // namespace

void StartProgramDetached(const std::string& path, const std::string& arguments,
                          const std::string& workPath) {
  auto start = std::make_unique<TProgramStart>(TProgramStart{path, arguments, workPath});
  HANDLE thread = CreateThread(nullptr, 0, StartThread, start.get(), 0, nullptr);
  if (!thread) {
    Start(*start);  // no thread to be had: start it here rather than not at all
    return;
  }
  start.release();  // the thread owns it now
  CloseHandle(thread);
}
