// What the plug-in registry needs of the program, handed to it at construction.
#pragma once

#include <functional>
#include <string>

using TMainThreadRunner = std::function<void(const std::function<void()>& work)>;

struct TPluginHost {
  // Runs `work` on the main thread and returns once it has; called from the worker threads,
  // which keep their own copy, so it must stay callable after the registry has gone.
  TMainThreadRunner runOnMainThread;
  // Tells the user of a plug-in that failed: a run that did not complete, a call that faulted.
  std::function<void(const std::string& text)> reportFailure;
};
