// Key scripts for the input generator and the replay oracle: one key event, pause or wait per
// line ("down 001D", "up E01D", "pause 50", "mode swallow": wait until the hook library's
// dispatch mode is swallow; "ghost 001D": a press reported to vakro that no keyboard made, so
// its release never comes; "#" starts a comment), a seeded random stream of key events, and the
// keystroke flags Windows gives each event. No window here.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <vector>

// A key by its scan code; the extended keys carry the 0xE0 prefix (0xE01D is right Ctrl).
using ScriptKey = uint16_t;

inline bool IsExtendedKey(ScriptKey key) { return (key >> 8) == 0xE0; }

struct ScriptEvent {
  enum class Kind : uint8_t { kDown, kUp, kPause, kWaitMode, kGhost };
  Kind kind = Kind::kDown;
  ScriptKey key = 0;
  uint32_t pauseMs = 0;
  bool passMode = false;  // kWaitMode: waits for pass (1), else for swallow (0)

  bool IsKey() const { return kind == Kind::kDown || kind == Kind::kUp; }
  bool operator==(const ScriptEvent&) const = default;
};

inline ScriptEvent Down(ScriptKey key) { return {ScriptEvent::Kind::kDown, key, 0, false}; }
inline ScriptEvent Up(ScriptKey key) { return {ScriptEvent::Kind::kUp, key, 0, false}; }
inline ScriptEvent Pause(uint32_t ms) { return {ScriptEvent::Kind::kPause, 0, ms, false}; }
inline ScriptEvent WaitMode(bool pass) { return {ScriptEvent::Kind::kWaitMode, 0, 0, pass}; }
inline ScriptEvent Ghost(ScriptKey key) { return {ScriptEvent::Kind::kGhost, key, 0, false}; }

struct ParsedScript {
  std::vector<ScriptEvent> events;
  int errorLine = 0;  // the first line that is not an event, counted from 1; 0 when all are
};

ParsedScript ParseScript(std::string_view text);
// Reads "001D" or "E01D" (one to four hex digits); false for anything else.
bool ParseScriptKey(std::string_view text, ScriptKey& key);
std::string FormatEvent(const ScriptEvent& event);
std::string FormatScript(const std::vector<ScriptEvent>& events);

// The keys a script leaves held, in the order they went down.
std::vector<ScriptKey> KeysLeftDown(const std::vector<ScriptEvent>& events);
// The script followed by a release of every key it leaves held.
std::vector<ScriptEvent> WithClosingReleases(std::vector<ScriptEvent> events);

// Chances of the four kinds of event, in any unit (they are weights). A kind that cannot happen
// (a release with nothing held, a press with every key held) gives way to the other side.
struct StreamWeights {
  int press = 45;    // a key not held goes down
  int release = 35;  // a held key goes up
  int repeat = 10;   // a held key goes down again (auto-repeat)
  int stray = 10;    // a key not held goes up
};

struct StreamOptions {
  std::vector<ScriptKey> keys;
  int count = 1000;     // events before the closing releases
  int maxHeld = 5;      // a press beyond this many held keys becomes a release
  StreamWeights weights;
};

// The same options and seed give the same stream on every platform; it ends with every key
// released.
std::vector<ScriptEvent> RandomStream(const StreamOptions& options, uint32_t seed);

// The keystroke flags of each key event as Windows builds them: repeat count 1, scan code
// (bits 16-23), extended flag (24), Alt held (29), key already down (30; always for a release),
// release (31). "Already down" goes by the physical key (left Ctrl held does not make right Ctrl
// a repeat), "Alt held" by the virtual-key code, so either Alt key counts.
class KeystrokeFlags {
 public:
  uint32_t Next(const ScriptEvent& event, uint32_t virtualKey);

 private:
  bool CodeDown(uint32_t virtualKey) const;
  std::map<ScriptKey, uint32_t> down_;  // the keys held and their virtual-key codes
};
