// vakro: the resident hot-key launcher. One instance per session; it lives in the tray.
#include <windows.h>

#include <exception>

#include "engine/key_view_wnd.h"
#include "toolkit/current_folder.h"
#include "toolkit/application.h"
#include "ui/nodra_wnd.h"

namespace {

void ShowStartupError(const char* text) { MessageBoxA(nullptr, text, "Vakro", MB_ICONERROR); }

int RunProgram() {
  if (!Application.Initialize("Vakro")) return 0;
  TNodraWnd mainWindow;
  if (!mainWindow.Create()) return 0;
  Application.Run();
  return 0;
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  // Held until the process ends; a second start finds it and leaves at once.
  HANDLE mutex = CreateMutexA(nullptr, TRUE, "_NodraAppMutex");
  if (!mutex || GetLastError() == ERROR_ALREADY_EXISTS) return 0;
  SecureSearchPaths();
  try {
    return RunProgram();
  } catch (const std::exception& error) {
    ShowStartupError(error.what());
  } catch (...) {
    ShowStartupError("");
  }
  return 0;
}
