#include "engine/program_starter.h"

#include <windows.h>
#include <objbase.h>
#include <shellapi.h>

#include <deque>
#include <mutex>
#include <optional>

#include "engine/window_raiser.h"
#include "toolkit/handles.h"

namespace {

struct TProgramStart {
  std::string path;
  std::string arguments;
  std::string workPath;
  TRunningCopy runningCopy;
};

struct TStartQueue {
  std::mutex lock;
  std::deque<TProgramStart> waiting;
  bool workerRunning = false;
};

TStartQueue& Queue() {
  static TStartQueue* queue = new TStartQueue;  // never freed: a worker may outlive main()
  return *queue;
}

const char* OrNull(const std::string& text) { return text.empty() ? nullptr : text.c_str(); }

void Start(const TProgramStart& start) {
  if (start.runningCopy != TRunningCopy::kStartAnother &&
      RaiseRunningCopy(start.path, start.runningCopy == TRunningCopy::kRaiseOrMinimize))
    return;
  ShellExecuteA(nullptr, "open", start.path.c_str(), OrNull(start.arguments), OrNull(start.workPath),
                SW_SHOW);
}

// The next start, or none; with none, the worker counts as ended.
std::optional<TProgramStart> TakeNext() {
  TStartQueue& queue = Queue();
  std::lock_guard<std::mutex> guard(queue.lock);
  if (queue.waiting.empty()) {
    queue.workerRunning = false;
    return std::nullopt;
  }
  TProgramStart next = std::move(queue.waiting.front());
  queue.waiting.pop_front();
  return next;
}

void StartAllWaiting() {
  while (std::optional<TProgramStart> next = TakeNext()) Start(*next);
}

// The shell may hand a start to COM objects (shortcuts, associations), so the worker has COM.
DWORD WINAPI StartWorker(LPVOID) {
  const TComApartment com(COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
  StartAllWaiting();
  return 0;
}

}  // namespace

void StartProgramDetached(const std::string& path, const std::string& arguments,
                          const std::string& workPath, TRunningCopy runningCopy) {
  TStartQueue& queue = Queue();
  {
    std::lock_guard<std::mutex> guard(queue.lock);
    queue.waiting.push_back({path, arguments, workPath, runningCopy});
    if (queue.workerRunning) return;
    queue.workerRunning = true;
  }
  const THandle worker(CreateThread(nullptr, 0, StartWorker, nullptr, 0, nullptr));
  if (!worker) StartAllWaiting();  // no thread to be had: start them here rather than not at all
}
