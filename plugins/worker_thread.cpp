#include "plugins/worker_thread.h"

#include "toolkit/application.h"

TWorkerThread::TWorkerThread() {
  fault_guard::Install();
  landing_.procedure = &TWorkerThread::Finish;
  landing_.context = this;
  handle_ = CreateThread(nullptr, 0, &TWorkerThread::ThreadProc, this, CREATE_SUSPENDED, nullptr);
}

TWorkerThread::~TWorkerThread() {
  if (handle_) CloseHandle(handle_);
}

void TWorkerThread::SetPriority(int priority) {
  if (handle_) SetThreadPriority(handle_, priority);
}

void TWorkerThread::Start() {
  if (handle_) ResumeThread(handle_);
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
  if (thread->onTerminate_) Application.RunOnMainThread([thread] { thread->onTerminate_(*thread); });
  delete thread;
}
