#include "engine/raise_decision.h"

#include <map>

#include "data/key_manager.h"
#include "data/platform.h"

namespace {

std::string Lowered(std::string_view text) {
  std::string lowered(text);
  platform::LowerAnsi(lowered);
  return lowered;
}

}  // namespace

TRunningCopy RunningCopyOf(const TKeyInfo& info) {
  if (!info.HasOption(kOptionRaise)) return TRunningCopy::kStartAnother;
  return info.HasOption(kOptionMinimize) ? TRunningCopy::kRaiseOrMinimize : TRunningCopy::kRaise;
}

bool IsProgramFilePath(std::string_view path) {
  const std::string_view suffix = ".exe";
  return path.size() > suffix.size() && Lowered(path.substr(path.size() - suffix.size())) == suffix;
}

bool SameFilePath(std::string_view a, std::string_view b) { return Lowered(a) == Lowered(b); }

TRaiseDecision DecideRaise(const std::string& programPath, bool minimizeInFront,
                           const std::vector<TTopWindow>& topDown, uintptr_t foregroundRoot,
                           const TImagePathOf& imagePathOf) {
  if (!IsProgramFilePath(programPath)) return {};
  std::map<uint32_t, bool> runsProgram;  // each process's path is read once
  for (const TTopWindow& window : topDown) {
    if (!window.visible || window.owned) continue;
    auto known = runsProgram.find(window.processId);
    if (known == runsProgram.end()) {
      const std::string image = imagePathOf(window.processId);
      known = runsProgram.emplace(window.processId, !image.empty() && SameFilePath(image, programPath)).first;
    }
    if (!known->second) continue;
    const bool inFront = window.handle == foregroundRoot && !window.minimized;
    return {minimizeInFront && inFront ? TRaiseAction::kMinimize : TRaiseAction::kRaise, window.handle};
  }
  return {};
}
