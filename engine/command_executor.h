// Runs a matched assignment: a program or document through the shell, or a "$" command
// (a built-in word, or a plug-in macro handed to the registry).
#pragma once

#include <functional>
#include <string>

class TKeyInfo;
class TPluginManager;

class TCommandExecutor {
 public:
  std::function<void()> HideGuide;     // before every "$" command
  std::function<void()> ShowSettings;  // the word "show"
  std::function<void()> TogglePause;   // the word "pause"
  TPluginManager* plugins = nullptr;

  void Execute(const TKeyInfo& info);
  void ExecuteCommand(const std::string& text);
  // Writes the text to a new text file in the user's temporary folder and opens it.
  void ShowWindowInfo(const std::string& text);

 private:
  void DescribeForegroundWindow();
  void StepVolume(bool up);
  void ToggleMute();
};
