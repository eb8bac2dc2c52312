// Runs a matched assignment: a program or document through the shell, or a "$" command
// (a built-in word, or a plug-in macro handed to the registry).
#pragma once

#include <functional>
#include <optional>
#include <string>

#include "engine/output_events.h"

enum class TBuiltinCommand : uint8_t;
class TKeyInfo;
class TPluginManager;

class TCommandExecutor {
 public:
  std::function<void()> HideGuide;     // before every "$" command
  std::function<void()> ShowSettings;  // the word "show"
  std::function<void()> TogglePause;   // the word "pause"
  // Has the hook type an output in the place of a withheld event (none: after everything queued);
  // false when it was not taken.
  std::function<bool(const TOutputEvents&, std::optional<uint16_t> inPlaceOf)> SendOutput;
  TPluginManager* plugins = nullptr;

  // Runs the assignment; true when an output took the place of `inPlaceOf`.
  bool Execute(const TKeyInfo& info, std::optional<uint16_t> inPlaceOf = std::nullopt);
  void ExecuteCommand(const std::string& text);
  // Writes the text to a new text file in the user's temporary folder and opens it.
  void ShowWindowInfo(const std::string& text);

 private:
  bool TypeOutput(TBuiltinCommand command, const std::string& arguments, std::optional<uint16_t> inPlaceOf);
  void DescribeForegroundWindow();
  void StepVolume(bool up);
  void ToggleMute();
};
