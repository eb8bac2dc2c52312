#include "engine/command_executor.h"

#include <windows.h>
#include <shellapi.h>

#include <algorithm>

#include "data/key_manager.h"
#include "data/output_text.h"
#include "engine/commands.h"
#include "engine/mixer_control.h"
#include "engine/program_starter.h"
#include "engine/raise_decision.h"
#include "plugins/plugin_manager.h"
#include "shell/temp_file.h"

bool TCommandExecutor::Execute(const TKeyInfo& info, std::optional<uint16_t> inPlaceOf) {
  if (IsOutputCommand(info.Path())) {
    if (HideGuide) HideGuide();
    return TypeOutput(ParseCommand(info.Path()).command, info.Arguments(), inPlaceOf);
  }
  if (IsCommandText(info.Path())) ExecuteCommand(info.Path());
  else StartProgramDetached(info.Path(), info.Arguments(), info.WorkPath(), RunningCopyOf(info));
  return false;
}

namespace {

std::u16string WideText(const std::string& ansi) {
  if (ansi.empty()) return {};
  const int length = MultiByteToWideChar(CP_ACP, 0, ansi.data(), static_cast<int>(ansi.size()), nullptr, 0);
  std::u16string wide(static_cast<size_t>(length > 0 ? length : 0), u'\0');
  if (length > 0)
    MultiByteToWideChar(CP_ACP, 0, ansi.data(), static_cast<int>(ansi.size()), reinterpret_cast<wchar_t*>(wide.data()), length);
  return wide;
}

}  // namespace

// Malformed key codes (a file edited by hand) type nothing. An output longer than the hook takes
// at once goes in parts, the first in the key's place and the rest straight after.
bool TCommandExecutor::TypeOutput(TBuiltinCommand command, const std::string& arguments,
                                  std::optional<uint16_t> inPlaceOf) {
  TOutputEvents events;
  if (command == TBuiltinCommand::kTypeText) {
    events = TypedTextEvents(WideText(UnescapeTypedText(arguments)));
  } else {
    std::vector<TChord> chords;
    if (ParseKeyChords(arguments, chords)) events = KeyChordEvents(chords);
  }
  if (events.empty() || !SendOutput) return false;
  bool placed = false;
  for (size_t at = 0; at < events.size(); at += NL_OUTPUT_MOST) {
    const size_t count = std::min<size_t>(NL_OUTPUT_MOST, events.size() - at);
    const TOutputEvents part(events.begin() + static_cast<std::ptrdiff_t>(at),
                             events.begin() + static_cast<std::ptrdiff_t>(at + count));
    const bool sent = SendOutput(part, placed ? std::nullopt : inPlaceOf);
    if (!sent) break;
    placed = true;
  }
  return placed && inPlaceOf.has_value();
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
    case TBuiltinCommand::kTypeText: case TBuiltinCommand::kPressKeys: break;  // they need an assignment
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
