// A worker thread in the manner of a toolkit's thread class: created suspended, a virtual
// body, a completion handler run on the main thread after the body (the worker waits for it,
// through the runner it was given), and the object frees itself after that handler. An exception or processor fault that the
// body leaves unhandled ends the body; the completion handler still runs.
#pragma once

#include <windows.h>

#include <functional>

#include "plugins/fault_guard.h"
#include "plugins/plugin_host.h"
#include "toolkit/handles.h"

class TWorkerThread {
 public:
  using CompletionHandler = std::function<void(TWorkerThread& thread)>;

  // Creates the thread suspended; its completion handler goes through `runOnMainThread`.
  explicit TWorkerThread(TMainThreadRunner runOnMainThread);
  // Only for a thread that was never started (one that started deletes itself).
  virtual ~TWorkerThread() = default;
  TWorkerThread(const TWorkerThread&) = delete;
  TWorkerThread& operator=(const TWorkerThread&) = delete;

  bool Created() const { return static_cast<bool>(handle_); }
  void SetPriority(int priority);
  void SetOnTerminate(CompletionHandler handler) { onTerminate_ = std::move(handler); }
  // Starts the body. From then on the object belongs to its thread, which deletes it.
  void Start();

 protected:
  virtual void Execute() = 0;

 private:
  static DWORD WINAPI ThreadProc(void* self);
  static void RunBody(void* self);
  static void Finish(void* self);

  THandle handle_;
  TMainThreadRunner runOnMainThread_;
  CompletionHandler onTerminate_;
  fault_guard::Landing landing_;
};
