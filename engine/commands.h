// "$" commands: the built-in words, the macro text handed to the plug-ins, the window
// information text and the volume steps. No window here.
#pragma once

#include <cstdint>
#include <string>

enum class TBuiltinCommand : uint8_t {
  kExitWindows,
  kReboot,
  kShow,
  kWindowInfo,
  kVolumeUp,
  kVolumeDown,
  kMute,
  kPause,  // switches the hot keys off and on again
  kTypeText,   // types the arguments as characters
  kPressKeys,  // presses the chords of key codes the arguments name
  kMacro,  // none of the words: a plug-in macro
};

struct TParsedCommand {
  TBuiltinCommand command = TBuiltinCommand::kMacro;
  std::string macroText;  // for kMacro: "$" and the lower-cased text after its first byte
};

// Whether an executable text is a command rather than something for the shell to open.
bool IsCommandText(const std::string& executableText);

// Lower-cases the text as the ANSI code page does, drops its first character (the "$") and
// compares the rest exactly, blanks included, with the built-in words.
TParsedCommand ParseCommand(const std::string& executableText);

// Whether the executable text is "$text" or "$keys": an output typed in the place of the key that
// completed the chord.
bool IsOutputCommand(const std::string& executableText);

// Whether the executable text is the command word "pause", the one chord matched while paused.
bool IsPauseCommand(const std::string& executableText);

struct TWindowInfoFacts {
  std::string title;
  uintptr_t handle = 0;
  std::string className;
  int32_t left = 0, top = 0, right = 0, bottom = 0;  // screen coordinates
};

// The text "windowinfo" writes for the foreground window, lines ended by CR LF.
std::string WindowInfoText(const TWindowInfoFacts& facts);
// The text written instead when there is no foreground window.
std::string WindowInfoFailureText();

const uint32_t kVolumeStep = 1024;

// One step up to the next multiple of the step, at most `volumeMax`.
uint32_t VolumeStepUp(uint32_t volume, uint32_t volumeMax);
// One step down to the previous multiple of the step, at least `volumeMin` (signed).
uint32_t VolumeStepDown(uint32_t volume, int32_t volumeMin);
