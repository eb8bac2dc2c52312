// The worker thread of one plug-in run: calls the library's "vakroExecute" with the foreground
// window and the registration's value.
#pragma once

#include <windows.h>

#include <memory>
#include <string>

#include "plugins/worker_thread.h"
#include "toolkit/handles.h"

struct tagPLUGININFO;

class TPluginThread : public TWorkerThread {
 public:
  // Suspended, one priority step below normal.
  explicit TPluginThread(TMainThreadRunner runOnMainThread);

  // The registration to run. The thread keeps it, its own reference to the library and a copy
  // of the value until the run is over, whatever happens to the registration meanwhile.
  void SetPlugin(std::shared_ptr<tagPLUGININFO> registration);
  const std::shared_ptr<tagPLUGININFO>& Plugin() const { return plugin_; }
  bool Completed() const { return completed_; }

  // Drops the thread's reference to the library (at the latest when the object is freed).
  void ReleaseLibrary() { library_.Reset(); }

 protected:
  void Execute() override;

 private:
  std::shared_ptr<tagPLUGININFO> plugin_;
  TLibrary library_;  // freed before the registration is let go
  std::string value_;
  bool completed_ = false;
};
