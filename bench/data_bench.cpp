// Comma-list encoding and decoding, and loading and saving "keydata.dat" with 10,000
// assignments through a real file.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <string>
#include <unistd.h>

#include "data/comma_list.h"
#include "data/key_manager.h"

namespace {

const int kAssignments = 10000;

// A typical line: a two-key chord, a Japanese name, a quoted path with arguments.
TTextList TypicalItems(int i) {
  return {EncodeCommaList({"000029", "000030", std::to_string(100000 + i % 1000)}),
          "\x83\x81\x83\x82\x92\xA0 " + std::to_string(i),  // メモ帳 n
          "Ctrl+A+" + std::to_string(i),
          "C:\\Program Files\\Some Tool\\tool" + std::to_string(i) + ".exe",
          "--open \"C:\\Users\\me\\Documents\\file.txt\"",
          "C:\\Users\\me",
          i % 2 ? "true" : "false"};
}

TKeyManager TypicalAssignments() {
  TKeyManager keys;
  for (int i = 0; i < kAssignments; ++i) {
    TTextList items = TypicalItems(i);
    keys.Add(DecodeCommaList(items[0]), items[3], items[4], items[5], items[1], items[2],
             items[6] == "true");
  }
  return keys;
}

std::string BenchFile(const char* name) {
  return (std::filesystem::temp_directory_path() /
          ("vakro-bench-" + std::to_string(getpid()) + "-" + name))
      .string();
}

void EncodeLine(benchmark::State& state) {
  const TTextList items = TypicalItems(7);
  for (auto _ : state) benchmark::DoNotOptimize(EncodeCommaList(items));
}
BENCHMARK(EncodeLine);

void DecodeLine(benchmark::State& state) {
  const std::string line = EncodeCommaList(TypicalItems(7));
  for (auto _ : state) benchmark::DoNotOptimize(DecodeCommaList(line));
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * line.size()));
}
BENCHMARK(DecodeLine);

void LoadKeyData10000(benchmark::State& state) {
  const std::string file = BenchFile("load.dat");
  if (!TypicalAssignments().SaveToFile(file)) state.SkipWithError("cannot write the file");
  TKeyManager keys;
  for (auto _ : state) benchmark::DoNotOptimize(keys.LoadFromFile(file));
  state.counters["assignments"] = keys.Count();
  state.counters["file_bytes"] = static_cast<double>(std::filesystem::file_size(file));
  std::filesystem::remove(file);
}
BENCHMARK(LoadKeyData10000)->Unit(benchmark::kMillisecond);

void SaveKeyData10000(benchmark::State& state) {
  const std::string file = BenchFile("save.dat");
  const TKeyManager keys = TypicalAssignments();
  for (auto _ : state)
    if (!keys.SaveToFile(file)) state.SkipWithError("save failed");
  std::filesystem::remove(file);
}
BENCHMARK(SaveKeyData10000)->Unit(benchmark::kMillisecond);

}  // namespace
