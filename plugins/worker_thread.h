// A worker thread in the manner of a toolkit's thread class: created suspended, a virtual
// body, a completion handler run on the main thread after the body (the worker waits for it),
// and the object frees itself after that handler. An exception or processor fault that the
// body leaves unhandled ends the body; the completion handler still runs.
#pragma once

#include <windows.h>

#include <functional>

#include "plugins/fault_guard.h"

class TWorkerThread {
 public:
  using CompletionHandler = std::function<void(TWorkerThread& thread)>;

  TWorkerThread();  // creates the thread suspended
  // Only for a thread that was never started (one that started deletes itself).
  virtual ~TWorkerThread();
  TWorkerThread(const TWorkerThread&) = delete;
  TWorkerThread& operator=(const TWorkerThread&) = delete;

  bool Created() const { return handle_ != nullptr; }
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

  HANDLE handle_ = nullptr;
  CompletionHandler onTerminate_;
  fault_guard::Landing landing_;
};
