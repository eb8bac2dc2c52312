// What a chord with the option "raise" does: bring a running copy of its program forward,
// minimise it when it is already in front (option "minimize"), or start the program. No window
// here: the top-level windows and their processes' image paths are handed in.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

class TKeyInfo;

// What starting a program does about a copy of it that already runs, by the assignment's options
// ("minimize" counts only beside "raise").
enum class TRunningCopy : uint8_t { kStartAnother, kRaise, kRaiseOrMinimize };
TRunningCopy RunningCopyOf(const TKeyInfo& info);

enum class TRaiseAction : uint8_t { kStart, kRaise, kMinimize };

struct TRaiseDecision {
  TRaiseAction action = TRaiseAction::kStart;
  uintptr_t window = 0;  // for kRaise and kMinimize
};

struct TTopWindow {
  uintptr_t handle = 0;
  uint32_t processId = 0;
  bool visible = false;
  bool owned = false;
  bool minimized = false;
};

// The full image path of a process; empty when it cannot be read.
using TImagePathOf = std::function<std::string(uint32_t processId)>;

// Whether the path names a program file (".exe", any case) rather than a document or shortcut.
bool IsProgramFilePath(std::string_view path);

// Paths compared as the file system does, without regard to case (whole double-byte characters).
bool SameFilePath(std::string_view a, std::string_view b);

// `programPath` is the executable text resolved to a full path (empty when it names no file).
// `topDown` lists the top-level windows from the top of the Z order down; `foregroundRoot` is
// the root owner of the foreground window. The first visible, unowned window whose process runs
// `programPath` is the one its user activated last: it is raised, or minimised when it is in
// front and `minimizeInFront` is set. A minimised window may still be the foreground window
// (nothing else took the activation): it is restored.
TRaiseDecision DecideRaise(const std::string& programPath, bool minimizeInFront,
                           const std::vector<TTopWindow>& topDown, uintptr_t foregroundRoot,
                           const TImagePathOf& imagePathOf);
