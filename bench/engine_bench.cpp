// One key event through the dispatcher's decision, with assignment lists of growing size.
#include <benchmark/benchmark.h>

#include <random>

#include "data/key_manager.h"
#include "engine/key_dispatcher.h"

namespace {

class QuietHost : public TKeyDispatcherHost {
 public:
  bool SettingsVisible() const override { return false; }
  bool GuideWanted() const override { return true; }
  bool ShowKeyView() const override { return true; }
  bool HideCursor() const override { return false; }
};

std::string Code(uint32_t scanCode) { return KeyCodeFromFlags(scanCode << 16); }

const uint32_t kLeftCtrlScan = 0x1D;

// Chords of 1 to 4 distinct keys over scan codes 1-88; about one in 88 begins with left Ctrl,
// and none is left Ctrl alone, so holding left Ctrl keeps a list of candidates and fires nothing.
void FillAssignments(TKeyManager& keys, int count) {
  std::mt19937 random(12345);
  std::uniform_int_distribution<uint32_t> scan(1, 88);
  std::uniform_int_distribution<int> length(1, 4);
  while (keys.Count() < count) {
    TChord chord;
    const int wanted = length(random);
    while (static_cast<int>(chord.size()) < wanted) {
      const uint32_t code = scan(random);
      AddDistinctKey(chord, Code(code));
    }
    if (chord == TChord{Code(kLeftCtrlScan)}) continue;
    keys.Add(chord, "C:\\program.exe", "", "", "program", "", false);
  }
}

void BM_KeyEvent(benchmark::State& state) {
  TKeyManager keys;
  FillAssignments(keys, static_cast<int>(state.range(0)));
  QuietHost host;
  TKeyDispatcher dispatcher(host);
  dispatcher.SetKeyManager(&keys);
  // Left Ctrl held and auto-repeating: every event walks the whole list.
  const uint32_t ctrlPress = 1u | (kLeftCtrlScan << 16);
  dispatcher.EvaluateKeyEvent(0x11, ctrlPress);
  for (auto _ : state) {
    TKeyDecision decision = dispatcher.EvaluateKeyEvent(0x11, ctrlPress | (1u << 30));
    benchmark::DoNotOptimize(decision);
  }
  state.counters["candidates"] = static_cast<double>(dispatcher.Candidates().size());
  state.SetItemsProcessed(state.iterations());
}

BENCHMARK(BM_KeyEvent)->Arg(10)->Arg(1000)->Arg(10000)->Unit(benchmark::kMicrosecond);

}  // namespace
