#include "tools/key_replay.h"

#include <map>

#include "data/key_manager.h"

namespace {

const ScriptKey kF9 = 0x0043;  // in no chord: the ordinary key of the property check
const uint32_t kVkF9 = 0x78;

// The guide window as the dispatcher sees it; it runs nothing, it notes what ran. The system's
// key state is the script's: the keys it holds are down.
class ReplayHost : public TKeyDispatcherHost {
 public:
  explicit ReplayHost(const TKeyManager& keys) : keys_(keys) {}

  bool SettingsVisible() const override { return false; }
  bool GuideWanted() const override { return guideWanted; }
  bool ShowKeyView() const override { return true; }
  bool HideCursor() const override { return false; }
  // Every event comes a second after the one before: held keys are never too new to be asked about
  // (the soak pauses after each ghost press to make it so for vakro too).
  uint32_t NowMs() const override { return nowMs; }
  bool KeyIsDown(uint32_t virtualKey) const override {
    for (const auto& [key, code] : physicallyDown)
      if (code == virtualKey) return true;
    return false;
  }

  void Apply(const TKeyDecision& decision) {
    if (decision.executed) NoteExecuted(*decision.executed);
    if (decision.mode) {
      mode = *decision.mode;
      continuation = decision.continuation;
    }
    if (decision.showGuide) guideWanted = true;
    if (decision.hideGuide) guideWanted = false;
    delivered.insert(delivered.end(), decision.delivered.begin(), decision.delivered.end());
  }

  void NoteKey(const ScriptEvent& event, uint32_t virtualKey, uint32_t flags) {
    if (event.kind == ScriptEvent::Kind::kUp) physicallyDown.erase(event.key);
    else physicallyDown[event.key] = TKeyDispatcher::StateVirtualKey(virtualKey, flags);
  }

  // What the hook decides an event by, and reports it with: withheld when the mode swallows,
  // unless it passes beside the chord begun (a withheld press ends that list); while the mode
  // passes, only the first press of a sequence's first key is withheld.
  uint32_t Reported(uint32_t flags) {
    if (mode != TDispatchMode::kSwallow)
      return IsLeaderPress(leaders.data(), leaders.size(), flags) ? flags | kKeyWithheldBit : flags;
    if (TKeyDispatcher::PassesBesideTheChord(continuation, flags)) return flags;
    continuation.clear();
    return flags | kKeyWithheldBit;
  }

  bool guideWanted = false;
  TDispatchMode mode = TDispatchMode::kPass;
  std::vector<uint16_t> continuation;
  std::vector<uint16_t> leaders;  // as the program last told the hook
  int executed = -1;
  std::vector<TKeyEvent> delivered;
  std::map<ScriptKey, uint32_t> physicallyDown;
  uint32_t nowMs = 0;

 private:
  // The dispatcher runs its own copy of an assignment: the first of the list with that chord,
  // scope, options, path and arguments is the one it ran (a chord and a sequence may share keys).
  void NoteExecuted(const TKeyInfo& info) {
    for (int index = 0; index < keys_.Count(); ++index) {
      const TKeyInfo& held = *keys_.Get(index);
      if (held.KeysText() != info.KeysText() || held.Scope() != info.Scope() || held.Options() != info.Options() ||
          held.Path() != info.Path() || held.Arguments() != info.Arguments())
        continue;
      executed = index;
      return;
    }
  }

  const TKeyManager& keys_;
};

// Whether an F9 press typed now would reach the window, at once or delivered afterwards; tried
// on copies, so the replay itself goes on untouched.
bool OrdinaryKeyArrives(const TKeyDispatcher& dispatcher, const ReplayHost& host,
                        const TKeyManager& keys) {
  ReplayHost trial = host;
  TKeyDispatcher copy(dispatcher, trial);
  copy.SetKeyManager(&keys);
  const uint32_t press = 1u | (static_cast<uint32_t>(kF9) << 16);
  const uint32_t reported = trial.Reported(press);
  const bool passed = !(reported & kKeyWithheldBit);
  trial.NoteKey(Down(kF9), kVkF9, press);
  trial.delivered.clear();
  trial.Apply(copy.EvaluateKeyEvent(kVkF9, reported));
  for (const TKeyEvent& event : trial.delivered)
    if (event.virtualKey == kVkF9 && !(event.flags >> 31)) return true;
  return passed;
}

}  // namespace

std::vector<ReplayStep> ReplayScript(const std::vector<ScriptEvent>& events,
                                     const TKeyManager& keys, const VirtualKeyOf& virtualKeyOf) {
  ReplayHost host(keys);
  TKeyDispatcher dispatcher(host);
  dispatcher.SetKeyManager(&keys);
  host.leaders = dispatcher.LeaderKeys();
  KeystrokeFlags keystrokes;
  std::vector<ReplayStep> steps;
  for (const ScriptEvent& event : events) {
    const bool ghost = event.kind == ScriptEvent::Kind::kGhost;
    if (!event.IsKey() && !ghost) continue;
    host.nowMs += 1000;
    ReplayStep step;
    step.ghost = ghost;
    step.virtualKey = virtualKeyOf(event.key);
    step.modeMet = host.mode;
    host.executed = -1;
    host.delivered.clear();
    if (ghost) {
      step.flags = GhostFlags(event.key);
      host.Apply(dispatcher.EvaluateKeyEvent(step.virtualKey, step.flags));
    } else {
      step.flags = keystrokes.Next(event, step.virtualKey);
      const uint32_t reported = host.Reported(step.flags);
      // Passed beside a chord begun, or withheld while passing (a sequence's first key).
      step.modeMet = (reported & kKeyWithheldBit) ? TDispatchMode::kSwallow : TDispatchMode::kPass;
      host.NoteKey(event, step.virtualKey, step.flags);
      host.Apply(dispatcher.EvaluateKeyEvent(step.virtualKey, reported));
    }
    host.leaders = dispatcher.LeaderKeys();
    step.executed = host.executed;
    step.modeAfter = host.mode;
    step.delivered = host.delivered;
    if (host.physicallyDown.empty()) step.keyboardAnswers = OrdinaryKeyArrives(dispatcher, host, keys);
    steps.push_back(step);
  }
  return steps;
}

uint32_t GhostFlags(ScriptKey key) {
  return 1u | static_cast<uint32_t>(key & 0xFF) << 16 | (IsExtendedKey(key) ? 1u << 24 : 0u);
}

uint32_t GenericVirtualKey(uint32_t virtualKey) {
  switch (virtualKey) {
    case 0xA0: case 0xA1: return 0x10;  // VK_LSHIFT, VK_RSHIFT: VK_SHIFT
    case 0xA2: case 0xA3: return 0x11;  // VK_LCONTROL, VK_RCONTROL: VK_CONTROL
    case 0xA4: case 0xA5: return 0x12;  // VK_LMENU, VK_RMENU: VK_MENU
    default: return virtualKey;
  }
}
