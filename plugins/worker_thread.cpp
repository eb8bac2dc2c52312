#include "plugins/worker_thread.h"

TWorkerThread::TWorkerThread(TMainThreadRunner runOnMainThread)
    : runOnMainThread_(std::move(runOnMainThread)) {
  fault_guard::Install();
  landing_.procedure = &TWorkerThread::Finish;
  landing_.context = this;
  handle_.Reset(
      CreateThread(nullptr, 0, &TWorkerThread::ThreadProc, this, CREATE_SUSPENDED, nullptr));
}

void TWorkerThread::SetPriority(int priority) {
  if (handle_) SetThreadPriority(handle_.Get(), priority);
}

void TWorkerThread::Start() {
  if (handle_) ResumeThread(handle_.Get());
}

DWORD WINAPI TWorkerThread::ThreadProc(void* self) {
  fault_guard::RunGuarded(&TWorkerThread::RunBody, self,
                          static_cast<TWorkerThread*>(self)->landing_);
  Finish(self);
  return 0;
}

void TWorkerThread::RunBody(void* self) { static_cast<TWorkerThread*>(self)->Execute(); }

// After the body, whether it returned or faulted.
void TWorkerThread::Finish(void* self) {
  auto* thread = static_cast<TWorkerThread*>(self);
  if (thread->onTerminate_) thread->runOnMainThread_([thread] { thread->onTerminate_(*thread); });
  delete thread;
}
