#include "plugins/plugin_thread.h"

#include "plugins/plugin_manager.h"
#include "plugins/vakro_plugin.h"

TPluginThread::TPluginThread(TMainThreadRunner runOnMainThread)
    : TWorkerThread(std::move(runOnMainThread)) {
  SetPriority(THREAD_PRIORITY_BELOW_NORMAL);
}

void TPluginThread::SetPlugin(std::shared_ptr<tagPLUGININFO> registration) {
  ReleaseLibrary();
  plugin_ = std::move(registration);
  if (!plugin_) return;
  value_ = plugin_->value;
  if (!IsUsable(*plugin_)) return;  // no library to call: the run fails
  // A reference of the thread's own keeps the library mapped while "vakroExecute" runs, even
  // if the registration releases its library meanwhile.
  GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS,
                     reinterpret_cast<LPCSTR>(plugin_->module), library_.Out());
}

void TPluginThread::Execute() {
  if (!plugin_ || !library_) return;
  auto execute = reinterpret_cast<VakroExecuteProc>(
      reinterpret_cast<void*>(GetProcAddress(library_.Get(), "vakroExecute")));
  if (!execute) return;
  HWND foreground = GetForegroundWindow();
  execute(foreground, value_.c_str());
  completed_ = true;
}
