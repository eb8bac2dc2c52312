#include "engine/commands.h"

#include <cinttypes>
#include <cstdio>

#include "data/platform.h"

bool IsCommandText(const std::string& executableText) {
  return !executableText.empty() && executableText[0] == '$';
}

TParsedCommand ParseCommand(const std::string& executableText) {
  static const struct {
    const char* word;
    TBuiltinCommand command;
  } words[] = {
      {"exitwindows", TBuiltinCommand::kExitWindows}, {"reboot", TBuiltinCommand::kReboot},
      {"show", TBuiltinCommand::kShow},               {"windowinfo", TBuiltinCommand::kWindowInfo},
      {"volumeup", TBuiltinCommand::kVolumeUp},       {"volumedown", TBuiltinCommand::kVolumeDown},
      {"mute", TBuiltinCommand::kMute},               {"pause", TBuiltinCommand::kPause},
      {"text", TBuiltinCommand::kTypeText},           {"keys", TBuiltinCommand::kPressKeys},
  };
  std::string lowered = executableText;
  platform::LowerAnsi(lowered);
  const std::string rest = lowered.empty() ? std::string() : lowered.substr(1);
  TParsedCommand parsed;
  for (const auto& entry : words) {
    if (rest == entry.word) {
      parsed.command = entry.command;
      return parsed;
    }
  }
  parsed.macroText = "$" + rest;
  return parsed;
}

bool IsOutputCommand(const std::string& executableText) {
  if (!IsCommandText(executableText)) return false;
  const TBuiltinCommand command = ParseCommand(executableText).command;
  return command == TBuiltinCommand::kTypeText || command == TBuiltinCommand::kPressKeys;
}

bool IsPauseCommand(const std::string& executableText) {
  return IsCommandText(executableText) &&
         ParseCommand(executableText).command == TBuiltinCommand::kPause;
}

namespace {

std::string HexHandle(uintptr_t handle) {
  char digits[24];
  std::snprintf(digits, sizeof digits, "%08" PRIX64, static_cast<uint64_t>(handle));
  return digits;
}

std::string RectangleText(const TWindowInfoFacts& facts) {
  char text[64];
  std::snprintf(text, sizeof text, "(%" PRId32 ",%" PRId32 ")-(%" PRId32 ",%" PRId32 ")",
                facts.left, facts.top, facts.right, facts.bottom);
  return text;
}

}  // namespace

std::string WindowInfoText(const TWindowInfoFacts& facts) {
  std::string text = "■ウィンドウ情報■\r\n\r\n";
  text += "ウィンドウテキスト : " + facts.title + "\r\n";
  text += "ウィンドウハンドル : " + HexHandle(facts.handle) + "\r\n";
  text += "ウィンドウクラス　 : " + facts.className + "\r\n";
  text += "座標　　　　　　　 : " + RectangleText(facts) + "\r\n";
  return text;
}

std::string WindowInfoFailureText() { return "ウィンドウ情報の取得に失敗しました。"; }

uint32_t VolumeStepUp(uint32_t volume, uint32_t volumeMax) {
  // Worked out wide: a volume in the top step would otherwise wrap round to 0.
  const uint64_t raised = (static_cast<uint64_t>(volume / kVolumeStep) + 1) * kVolumeStep;
  return raised > volumeMax ? volumeMax : static_cast<uint32_t>(raised);
}

uint32_t VolumeStepDown(uint32_t volume, int32_t volumeMin) {
  const int32_t lowered = static_cast<int32_t>((volume / kVolumeStep - 1) * kVolumeStep);
  return static_cast<uint32_t>(volumeMin > lowered ? volumeMin : lowered);
}
