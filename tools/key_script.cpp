#include "tools/key_script.h"

#include <algorithm>
#include <cstddef>
#include <cstdio>
#include <random>

namespace {

std::string_view Trim(std::string_view text) {
  const size_t first = text.find_first_not_of(" \t\r");
  if (first == std::string_view::npos) return {};
  const size_t last = text.find_last_not_of(" \t\r");
  return text.substr(first, last - first + 1);
}

bool ParseNumber(std::string_view text, uint32_t& value) {
  if (text.empty() || text.size() > 9) return false;
  value = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return false;
    value = value * 10 + static_cast<uint32_t>(c - '0');
  }
  return true;
}

bool ParseLine(std::string_view line, ScriptEvent& event) {
  const size_t blank = line.find_first_of(" \t");
  if (blank == std::string_view::npos) return false;
  const std::string_view word = line.substr(0, blank);
  const std::string_view value = Trim(line.substr(blank));
  if (word == "pause") {
    event = Pause(0);
    return ParseNumber(value, event.pauseMs);
  }
  if (word == "mode") {
    event = WaitMode(value == "pass");
    return value == "pass" || value == "swallow";
  }
  ScriptKey key = 0;
  if (!ParseScriptKey(value, key)) return false;
  if (word == "down") event = Down(key);
  else if (word == "up") event = Up(key);
  else if (word == "ghost") event = Ghost(key);
  else return false;
  return true;
}

// The generator's random numbers: std::mt19937 is the same everywhere, and so is a remainder.
class Chooser {
 public:
  explicit Chooser(uint32_t seed) : engine_(seed) {}
  size_t Below(size_t count) { return count ? engine_() % count : 0; }

 private:
  std::mt19937 engine_;
};

enum class Move { kPress, kRelease, kRepeat, kStray };

Move ChooseMove(Chooser& chooser, const StreamWeights& w) {
  const int total = std::max(1, w.press + w.release + w.repeat + w.stray);
  int pick = static_cast<int>(chooser.Below(static_cast<size_t>(total)));
  if ((pick -= w.press) < 0) return Move::kPress;
  if ((pick -= w.release) < 0) return Move::kRelease;
  if ((pick -= w.repeat) < 0) return Move::kRepeat;
  return Move::kStray;
}

// Keeps the chosen kind possible: nothing held turns releases and repeats into presses, a full
// hand turns presses and strays into releases.
Move Feasible(Move move, size_t held, size_t keyCount, size_t maxHeld) {
  const bool canRelease = held > 0;
  const bool canPress = held < keyCount && held < maxHeld;
  const bool wantsHeld = move == Move::kRelease || move == Move::kRepeat;
  if (wantsHeld && !canRelease) return Move::kPress;
  if (!wantsHeld && !canPress && canRelease) return Move::kRelease;
  return move;
}

}  // namespace

bool ParseScriptKey(std::string_view text, ScriptKey& key) {
  if (text.empty() || text.size() > 4) return false;
  uint32_t value = 0;
  for (char c : text) {
    int digit;
    if (c >= '0' && c <= '9') digit = c - '0';
    else if (c >= 'a' && c <= 'f') digit = c - 'a' + 10;
    else if (c >= 'A' && c <= 'F') digit = c - 'A' + 10;
    else return false;
    value = value * 16 + static_cast<uint32_t>(digit);
  }
  const uint32_t prefix = value >> 8;
  if ((prefix != 0 && prefix != 0xE0) || (value & 0xFF) == 0) return false;
  key = static_cast<ScriptKey>(value);
  return true;
}

ParsedScript ParseScript(std::string_view text) {
  ParsedScript result;
  int lineNumber = 0;
  while (!text.empty()) {
    const size_t end = text.find('\n');
    std::string_view line = text.substr(0, end);
    text = end == std::string_view::npos ? std::string_view{} : text.substr(end + 1);
    ++lineNumber;
    line = Trim(line.substr(0, line.find('#')));
    if (line.empty()) continue;
    ScriptEvent event;
    if (!ParseLine(line, event)) {
      result.errorLine = lineNumber;
      return result;
    }
    result.events.push_back(event);
  }
  return result;
}

std::string FormatEvent(const ScriptEvent& event) {
  char line[32];
  if (event.kind == ScriptEvent::Kind::kPause) {
    snprintf(line, sizeof line, "pause %u", static_cast<unsigned>(event.pauseMs));
  } else if (event.kind == ScriptEvent::Kind::kWaitMode) {
    snprintf(line, sizeof line, "mode %s", event.passMode ? "pass" : "swallow");
  } else {
    const char* word = event.kind == ScriptEvent::Kind::kDown  ? "down"
                       : event.kind == ScriptEvent::Kind::kGhost ? "ghost"
                                                                 : "up";
    snprintf(line, sizeof line, "%s %04X", word, static_cast<unsigned>(event.key));
  }
  return line;
}

std::string FormatScript(const std::vector<ScriptEvent>& events) {
  std::string text;
  for (const ScriptEvent& event : events) text += FormatEvent(event) + "\n";
  return text;
}

std::vector<ScriptKey> KeysLeftDown(const std::vector<ScriptEvent>& events) {
  std::vector<ScriptKey> held;
  for (const ScriptEvent& event : events) {
    if (!event.IsKey()) continue;
    auto found = std::find(held.begin(), held.end(), event.key);
    if (event.kind == ScriptEvent::Kind::kUp && found != held.end()) held.erase(found);
    if (event.kind == ScriptEvent::Kind::kDown && found == held.end()) held.push_back(event.key);
  }
  return held;
}

std::vector<ScriptEvent> WithClosingReleases(std::vector<ScriptEvent> events) {
  for (ScriptKey key : KeysLeftDown(events)) events.push_back(Up(key));
  return events;
}

std::vector<ScriptEvent> RandomStream(const StreamOptions& options, uint32_t seed) {
  std::vector<ScriptEvent> events;
  if (options.keys.empty()) return events;
  Chooser chooser(seed);
  std::vector<ScriptKey> held, free = options.keys;
  const size_t maxHeld = static_cast<size_t>(std::max(1, options.maxHeld));
  for (int i = 0; i < options.count; ++i) {
    const Move move =
        Feasible(ChooseMove(chooser, options.weights), held.size(), options.keys.size(), maxHeld);
    if (move == Move::kPress || move == Move::kStray) {
      const size_t index = chooser.Below(free.size());
      const ScriptKey key = free[index];
      events.push_back(move == Move::kPress ? Down(key) : Up(key));
      if (move == Move::kPress) {
        free.erase(free.begin() + static_cast<ptrdiff_t>(index));
        held.push_back(key);
      }
    } else {
      const size_t index = chooser.Below(held.size());
      const ScriptKey key = held[index];
      events.push_back(move == Move::kRepeat ? Down(key) : Up(key));
      if (move == Move::kRelease) {
        held.erase(held.begin() + static_cast<ptrdiff_t>(index));
        free.push_back(key);
      }
    }
  }
  return WithClosingReleases(std::move(events));
}

uint32_t KeystrokeFlags::Next(const ScriptEvent& event, uint32_t virtualKey) {
  const uint32_t kAltCode = 0x12;
  const bool release = event.kind == ScriptEvent::Kind::kUp;
  const bool wasDown = down_.count(event.key) > 0;
  if (release) down_.erase(event.key);
  else down_[event.key] = virtualKey;
  uint32_t flags = 1u | static_cast<uint32_t>(event.key & 0xFF) << 16;
  if (IsExtendedKey(event.key)) flags |= 1u << 24;
  if (CodeDown(kAltCode)) flags |= 1u << 29;
  if (release || wasDown) flags |= 1u << 30;
  if (release) flags |= 1u << 31;
  return flags;
}

bool KeystrokeFlags::CodeDown(uint32_t virtualKey) const {
  for (const auto& [key, code] : down_)
    if (code == virtualKey) return true;
  return false;
}
