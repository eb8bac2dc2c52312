// sendinput.exe: sends scan-code key events through SendInput, so they take the platform's
// whole input path (the keyboard hooks see them as a keyboard's), for the end-to-end tests.
//   sendinput.exe --script FILE                     the events of a key script
//   sendinput.exe --random SEED --keys 001D,E01D,.. a seeded random stream of them
//        [--count N] [--max-held N] [--weights PRESS,RELEASE,REPEAT,STRAY]
//   [--rate N]       key events per second at most (pauses and waits come on top); 0 or none:
//                    as fast as it can
//   A script's "ghost KEY" line posts vakro a press report that no keyboard made.
//   A script's "mode pass|swallow" line waits (up to 5 s) until vakro has handled the event
//   before it (when vakro runs: its key guide window counts the reports it handled) and the hook
//   library's dispatch mode is that: sent after each event with the mode the program must set for it, it keeps
//   every event from reaching the hooked window before the program has decided the one before.
//   [--record FILE]  writes the events it sent, closing releases included, as a key script
//   [--dry-run]      sends nothing (with --record: only writes the stream)
//   [--scan-only]    leaves the virtual-key code out, as Windows itself needs no more than the
//                    scan code; Wine 8 does not map it, so its hooks then see code 0 (and the
//                    previous-state bit of code 0): by default the code is filled in from the
//                    layout (MapVirtualKey), which Windows ignores with KEYEVENTF_SCANCODE
// Every key it pressed is released before it ends, also when a send fails. Prints
// "sent events=N failed=F seconds=S rate=R waits=W timeouts=T" (rate: key events per second;
// waits: mode lines that had to wait; timeouts: those whose mode never came).
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

#include "data/platform.h"
#include "hooklib/nodralib.h"
#include "tools/key_replay.h"
#include "tools/key_script.h"
#include "tools/tool_log.h"

namespace {

struct Options {
  std::string scriptPath, recordPath;
  bool random = false, dryRun = false, withVirtualKey = true;
  uint32_t seed = 0;
  double rate = 0;
  StreamOptions stream;
};

bool WriteText(const std::string& path, const std::string& text) {
  FILE* file = fopen(path.c_str(), "wb");
  if (!file) return false;
  const bool ok = fwrite(text.data(), 1, text.size(), file) == text.size();
  return fclose(file) == 0 && ok;
}

bool ParseKeyList(const std::string& text, std::vector<ScriptKey>& keys) {
  size_t start = 0;
  while (start <= text.size()) {
    const size_t comma = std::min(text.find(',', start), text.size());
    ScriptKey key = 0;
    if (!ParseScriptKey(std::string_view(text).substr(start, comma - start), key)) return false;
    keys.push_back(key);
    start = comma + 1;
  }
  return !keys.empty();
}

bool ParseWeights(const std::string& text, StreamWeights& weights) {
  return sscanf(text.c_str(), "%d,%d,%d,%d", &weights.press, &weights.release, &weights.repeat,
                &weights.stray) == 4;
}

bool ParseOptions(int argc, char** argv, Options& options) {
  options.scriptPath = OptionValue(argc, argv, "--script");
  options.recordPath = OptionValue(argc, argv, "--record");
  options.dryRun = HasOption(argc, argv, "--dry-run");
  options.withVirtualKey = !HasOption(argc, argv, "--scan-only");
  options.rate = atof(OptionValue(argc, argv, "--rate", "0").c_str());
  const std::string seed = OptionValue(argc, argv, "--random");
  options.random = !seed.empty();
  if (options.random == !options.scriptPath.empty()) return false;
  if (!options.random) return true;
  options.seed = static_cast<uint32_t>(strtoul(seed.c_str(), nullptr, 0));
  options.stream.count = atoi(OptionValue(argc, argv, "--count", "1000").c_str());
  options.stream.maxHeld = atoi(OptionValue(argc, argv, "--max-held", "5").c_str());
  const std::string weights = OptionValue(argc, argv, "--weights");
  if (!weights.empty() && !ParseWeights(weights, options.stream.weights)) return false;
  return ParseKeyList(OptionValue(argc, argv, "--keys"), options.stream.keys);
}

bool LoadEvents(const Options& options, std::vector<ScriptEvent>& events) {
  if (options.random) {
    events = RandomStream(options.stream, options.seed);
    return true;
  }
  std::string text;
  if (!platform::ReadFileBytes(options.scriptPath, text)) {
    fprintf(stderr, "sendinput: cannot read %s\n", options.scriptPath.c_str());
    return false;
  }
  ParsedScript parsed = ParseScript(text);
  if (parsed.errorLine) {
    fprintf(stderr, "sendinput: %s line %d is not a key event\n", options.scriptPath.c_str(),
            parsed.errorLine);
    return false;
  }
  events = WithClosingReleases(std::move(parsed.events));
  return true;
}

INPUT KeyInput(const ScriptEvent& event, bool withVirtualKey) {
  INPUT input = {};
  input.type = INPUT_KEYBOARD;
  input.ki.wScan = static_cast<WORD>(event.key & 0xFF);
  input.ki.dwFlags = KEYEVENTF_SCANCODE;
  if (IsExtendedKey(event.key)) input.ki.dwFlags |= KEYEVENTF_EXTENDEDKEY;
  if (event.kind == ScriptEvent::Kind::kUp) input.ki.dwFlags |= KEYEVENTF_KEYUP;
  if (withVirtualKey) input.ki.wVk = static_cast<WORD>(MapVirtualKeyA(event.key, MAPVK_VSC_TO_VK_EX));
  return input;
}

// A press that no keyboard made, reported straight to vakro's key guide window as the hook would:
// its release never comes.
void ReportGhostPress(ScriptKey key) {
  HWND guide = FindWindowA("TKeyViewWnd", nullptr);
  const UINT virtualKey = GenericVirtualKey(MapVirtualKeyA(key, MAPVK_VSC_TO_VK_EX));
  if (guide) PostMessageA(guide, WM_HOOK_KEY, virtualKey, static_cast<LPARAM>(GhostFlags(key)));
}

// Sleeps until the QueryPerformanceCounter time `due` (microseconds).
void WaitUntil(int64_t due) {
  for (int64_t now = NowMicroseconds(); now < due; now = NowMicroseconds()) {
    const int64_t left = due - now;
    Sleep(left >= 2000 ? static_cast<DWORD>(left / 1000 - 1) : 0);
  }
}

struct SendResult {
  size_t sent = 0, failed = 0, waits = 0, timeouts = 0;
  int64_t microseconds = 0;
};

// How many key reports vakro has handled (its key guide window counts them); none without vakro.
std::optional<uintptr_t> KeysHandled() {
  HWND guide = FindWindowA("TKeyViewWnd", nullptr);
  if (!guide) return std::nullopt;
  return reinterpret_cast<uintptr_t>(GetPropA(guide, NL_KEYS_HANDLED_PROPERTY));
}

// Waits until vakro has handled the event sent last (when vakro runs) and the dispatch mode is
// the one asked for; false when that did not come in time.
bool WaitForMode(bool pass, std::optional<uintptr_t> handledBefore, SendResult& result) {
  const signed char wanted = pass ? 1 : 0;
  auto reached = [&] {
    return (!handledBefore || KeysHandled() != handledBefore) && nlSetDispatchMode(-1) == wanted;
  };
  if (reached()) return true;
  ++result.waits;
  const int64_t deadline = NowMicroseconds() + 5000000;
  while (NowMicroseconds() < deadline) {
    Sleep(1);
    if (reached()) return true;
  }
  ++result.timeouts;
  fprintf(stderr, "sendinput: handled before %ld, now %ld; mode %d\n",
          static_cast<long>(handledBefore.value_or(0)), static_cast<long>(KeysHandled().value_or(0)),
          nlSetDispatchMode(-1));
  return false;
}

// Sends the events in order, each key event at its due time; stops at the first failure.
SendResult Send(const std::vector<ScriptEvent>& events, const Options& options,
                std::vector<ScriptEvent>& sent) {
  SendResult result;
  const int64_t start = NowMicroseconds();
  int64_t due = start;
  const int64_t interval = options.rate > 0 ? static_cast<int64_t>(1e6 / options.rate) : 0;
  std::optional<uintptr_t> handledBefore;  // vakro's count before the last event went
  for (const ScriptEvent& event : events) {
    if (event.kind == ScriptEvent::Kind::kPause) {
      due += static_cast<int64_t>(event.pauseMs) * 1000;
      sent.push_back(event);
      continue;
    }
    if (event.kind == ScriptEvent::Kind::kWaitMode) {
      if (!WaitForMode(event.passMode, handledBefore, result))
        fprintf(stderr, "sendinput: no mode %s after script line %u\n", event.passMode ? "pass" : "swallow",
                static_cast<unsigned>(sent.size()));
      due = std::max(due, NowMicroseconds());
      sent.push_back(event);
      continue;
    }
    handledBefore = KeysHandled();
    if (event.kind == ScriptEvent::Kind::kGhost) {
      ReportGhostPress(event.key);
      sent.push_back(event);
      continue;
    }
    WaitUntil(due);
    due += interval;
    INPUT input = KeyInput(event, options.withVirtualKey);
    if (SendInput(1, &input, sizeof input) != 1) {
      ++result.failed;
      break;
    }
    sent.push_back(event);
    ++result.sent;
  }
  result.microseconds = NowMicroseconds() - start;
  return result;
}

// Releases whatever the sent events left held (only after a failure is there anything).
void ReleaseHeld(std::vector<ScriptEvent>& sent, bool withVirtualKey) {
  for (ScriptKey key : KeysLeftDown(sent)) {
    INPUT input = KeyInput(Up(key), withVirtualKey);
    SendInput(1, &input, sizeof input);
    sent.push_back(Up(key));
  }
}

}  // namespace

int main(int argc, char** argv) {
  Options options;
  if (!ParseOptions(argc, argv, options)) {
    fprintf(stderr, "sendinput: see the comment at the top of sendinput.cpp for its use\n");
    return 2;
  }
  std::vector<ScriptEvent> events;
  if (!LoadEvents(options, events)) return 2;
  std::vector<ScriptEvent> sent;
  SendResult result;
  if (options.dryRun) {
    sent = events;
  } else {
    result = Send(events, options, sent);
    ReleaseHeld(sent, options.withVirtualKey);
  }
  if (!options.recordPath.empty() && !WriteText(options.recordPath, FormatScript(sent))) {
    fprintf(stderr, "sendinput: cannot write %s\n", options.recordPath.c_str());
    return 1;
  }
  const double seconds = static_cast<double>(result.microseconds) / 1e6;
  printf("sent events=%u failed=%u seconds=%.3f rate=%.0f waits=%u timeouts=%u\n",
         static_cast<unsigned>(result.sent), static_cast<unsigned>(result.failed), seconds,
         seconds > 0 ? static_cast<double>(result.sent) / seconds : 0.0,
         static_cast<unsigned>(result.waits), static_cast<unsigned>(result.timeouts));
  fflush(stdout);
  return result.failed ? 1 : 0;
}
