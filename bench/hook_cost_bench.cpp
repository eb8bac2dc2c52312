// The keyboard hook's own cost per key event: one KeyboardProc call opens the shared block by
// name, maps it, posts the report, unmaps and closes it. Prints median and 99th percentile over
// 10,000 calls, in pass and in swallow mode.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <vector>

#include "hooklib/hook_procs.h"
#include "hooklib/shared_view.h"

namespace {

const int kCalls = 10000;

double Microseconds(LONGLONG ticks) {
  static const double frequency = [] {
    LARGE_INTEGER f;
    QueryPerformanceFrequency(&f);
    return static_cast<double>(f.QuadPart);
  }();
  return ticks * 1e6 / frequency;
}

void DrainQueue() {
  MSG m;
  while (PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE)) {
  }
}

std::vector<double> TimeCalls(signed char mode) {
  {
    SharedView view;
    view->dispatchMode = mode;
  }
  std::vector<double> times;
  times.reserve(kCalls);
  for (int i = 0; i < kCalls; ++i) {
    LARGE_INTEGER start, end;
    QueryPerformanceCounter(&start);
    KeyboardProc(HC_ACTION, 'A', 0x001E0001);
    QueryPerformanceCounter(&end);
    times.push_back(Microseconds(end.QuadPart - start.QuadPart));
    if (i % 100 == 99) DrainQueue();  // the queue of a thread holds a limited number of messages
  }
  return times;
}

// The same sequence step by step, for the share of each platform call.
void TimeSteps(HWND window) {
  const char* names[] = {"OpenFileMappingA", "MapViewOfFile", "PostMessageA", "UnmapViewOfFile", "CloseHandle"};
  std::vector<double> steps[5];
  for (int i = 0; i < kCalls / 10; ++i) {
    LARGE_INTEGER t[6];
    QueryPerformanceCounter(&t[0]);
    HANDLE mapping = OpenFileMappingA(FILE_MAP_WRITE, FALSE, kSharedBlockName);
    QueryPerformanceCounter(&t[1]);
    void* view = MapViewOfFile(mapping, FILE_MAP_WRITE, 0, 0, kSharedBlockSize);
    QueryPerformanceCounter(&t[2]);
    PostMessageA(window, WM_HOOK_KEY, 'A', 0x001E0001);
    QueryPerformanceCounter(&t[3]);
    UnmapViewOfFile(view);
    QueryPerformanceCounter(&t[4]);
    CloseHandle(mapping);
    QueryPerformanceCounter(&t[5]);
    for (int s = 0; s < 5; ++s) steps[s].push_back(Microseconds(t[s + 1].QuadPart - t[s].QuadPart));
    if (i % 100 == 99) DrainQueue();
  }
  for (int s = 0; s < 5; ++s) {
    std::sort(steps[s].begin(), steps[s].end());
    printf("  %-17s median %.1f us\n", names[s], steps[s][steps[s].size() / 2]);
  }
}

double Percentile(std::vector<double> values, double fraction) {
  std::sort(values.begin(), values.end());
  return values[static_cast<size_t>(fraction * (values.size() - 1))];
}

}  // namespace

int main() {
  HANDLE block = CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, kSharedBlockSize,
                                    kSharedBlockName);
  HWND window = CreateWindowExA(0, "STATIC", "bench", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
  if (!block || !window) {
    fprintf(stderr, "hook_cost_bench: no block or window\n");
    return 1;
  }
  {
    SharedView view;
    view->engineWindow = HandleField(window);
  }
  TimeCalls(DISPATCH_PASS);  // warm-up
  for (signed char mode : {DISPATCH_PASS, DISPATCH_SWALLOW}) {
    const std::vector<double> times = TimeCalls(mode);
    printf("KeyboardProc, %s mode, %d calls: median %.1f us, 99th percentile %.1f us\n",
           mode == DISPATCH_PASS ? "pass" : "swallow", kCalls, Percentile(times, 0.5), Percentile(times, 0.99));
  }
  printf("Steps of one call, %d calls:\n", kCalls / 10);
  TimeSteps(window);
  DestroyWindow(window);
  CloseHandle(block);
  return 0;
}
