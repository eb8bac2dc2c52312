#include "tools/key_replay.h"

#include "data/key_manager.h"

namespace {

// The guide window as the dispatcher sees it; it runs nothing, it notes what ran.
class ReplayHost : public TKeyDispatcherHost {
 public:
  explicit ReplayHost(const TKeyManager& keys) : keys_(keys) {}

  bool SettingsVisible() const override { return false; }
  bool GuideVisible() const override { return guideVisible; }
  bool ShowKeyView() const override { return true; }
  bool HideCursor() const override { return false; }

  void Apply(const KeyDecision& decision) {
    if (decision.executed) NoteExecuted(*decision.executed);
    if (decision.mode) mode = *decision.mode;
    if (decision.showGuide) guideVisible = true;
    if (decision.hideGuide) guideVisible = false;
  }

  bool guideVisible = false;
  DispatchMode mode = DispatchMode::kPass;
  int executed = -1;

 private:
  void NoteExecuted(const TKeyInfo& info) {
    for (int index = 0; index < keys_.Count(); ++index)
      if (keys_.Get(index) == &info) executed = index;
  }

  const TKeyManager& keys_;
};

}  // namespace

std::vector<ReplayStep> ReplayScript(const std::vector<ScriptEvent>& events,
                                     const TKeyManager& keys, const VirtualKeyOf& virtualKeyOf) {
  ReplayHost host(keys);
  TKeyDispatcher dispatcher(host);
  dispatcher.SetKeyManager(&keys);
  KeystrokeFlags keystrokes;
  std::vector<ReplayStep> steps;
  for (const ScriptEvent& event : events) {
    if (!event.IsKey()) continue;
    ReplayStep step;
    step.virtualKey = virtualKeyOf(event.key);
    step.flags = keystrokes.Next(event, step.virtualKey);
    step.modeMet = host.mode;
    host.executed = -1;
    host.Apply(dispatcher.EvaluateKeyEvent(step.virtualKey, step.flags));
    step.executed = host.executed;
    step.modeAfter = host.mode;
    steps.push_back(step);
  }
  return steps;
}

uint32_t GenericVirtualKey(uint32_t virtualKey) {
  switch (virtualKey) {
    case 0xA0: case 0xA1: return 0x10;  // VK_LSHIFT, VK_RSHIFT: VK_SHIFT
    case 0xA2: case 0xA3: return 0x11;  // VK_LCONTROL, VK_RCONTROL: VK_CONTROL
    case 0xA4: case 0xA5: return 0x12;  // VK_LMENU, VK_RMENU: VK_MENU
    default: return virtualKey;
  }
}
