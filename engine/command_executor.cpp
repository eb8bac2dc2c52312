#include "engine/command_executor.h"

#include <windows.h>
#include <shellapi.h>

#include "data/key_manager.h"
#include "engine/commands.h"
#include "engine/mixer_control.h"
#include "engine/program_starter.h"
#include "engine/raise_decision.h"
#include "plugins/plugin_manager.h"
#include "shell/temp_file.h"

void TCommandExecutor::Execute(const TKeyInfo& info) {
  if (IsCommandText(info.Path())) {
    ExecuteCommand(info.Path());
    return;
  }
  StartProgramDetached(info.Path(), info.Arguments(), info.WorkPath(), RunningCopyOf(info));
}

void TCommandExecutor::ExecuteCommand(const std::string& text) {
  if (HideGuide) HideGuide();
  TParsedCommand parsed = ParseCommand(text);
  switch (parsed.command) {
    case TBuiltinCommand::kExitWindows: ExitWindowsEx(EWX_SHUTDOWN, 0); break;
    case TBuiltinCommand::kReboot: ExitWindowsEx(EWX_REBOOT, 0); break;
    case TBuiltinCommand::kShow: if (ShowSettings) ShowSettings(); break;
    case TBuiltinCommand::kWindowInfo: DescribeForegroundWindow(); break;
    case TBuiltinCommand::kVolumeUp: StepVolume(true); break;
    case TBuiltinCommand::kVolumeDown: StepVolume(false); break;
    case TBuiltinCommand::kMute: ToggleMute(); break;
    case TBuiltinCommand::kPause: if (TogglePause) TogglePause(); break;
    case TBuiltinCommand::kMacro: if (plugins) plugins->ExecuteMacro(parsed.macroText); break;
  }
}

void TCommandExecutor::DescribeForegroundWindow() {
  HWND window = GetForegroundWindow();
  if (!window) {
    ShowWindowInfo(WindowInfoFailureText());
    return;
  }
  char title[255] = {};
  char className[255] = {};
  RECT rect = {};
  GetWindowTextA(window, title, sizeof title);
  GetClassNameA(window, className, sizeof className);
  GetWindowRect(window, &rect);
  TWindowInfoFacts facts;
  facts.title = title;
  facts.handle = reinterpret_cast<uintptr_t>(window);
  facts.className = className;
  facts.left = rect.left;
  facts.top = rect.top;
  facts.right = rect.right;
  facts.bottom = rect.bottom;
  ShowWindowInfo(WindowInfoText(facts));
}

void TCommandExecutor::StepVolume(bool up) {
  TMixerControl mixer;
  mixer.SetVolume(up ? VolumeStepUp(mixer.Volume(), mixer.VolumeMax())
                     : VolumeStepDown(mixer.Volume(), mixer.VolumeMin()));
}

void TCommandExecutor::ToggleMute() {
  TMixerControl mixer;
  mixer.SetMute(!mixer.Muted());
}

// A new file each time, in the user's own temporary folder: the program's folder may not be
// writable, and other users may read a shared one. Only a file written whole is opened.
void TCommandExecutor::ShowWindowInfo(const std::string& text) {
  const std::string path = WriteNewTempTextFile("nodratmp", text);
  if (path.empty()) return;
  ShellExecuteA(nullptr, "open", path.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
}
