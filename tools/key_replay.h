// The replay oracle's core: a key script fed through the dispatcher with the virtual-key codes
// and keystroke flags the keyboard hook would report, telling for each key event the dispatch
// mode it meets (so whether its window receives it) and which assignment it runs. No window.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include "engine/key_dispatcher.h"
#include "tools/key_script.h"

class TKeyManager;

struct ReplayStep {
  uint32_t virtualKey = 0;
  uint32_t flags = 0;
  // The mode set by the events before, as the hook applied it to this event (pass for one it let
  // by beside a chord begun, swallow for a sequence's first key it withheld while passing), when
  // the program handled each event before the next reached the hooked window.
  TDispatchMode modeMet = TDispatchMode::kPass;
  TDispatchMode modeAfter = TDispatchMode::kPass;  // the mode the program sets for it
  int executed = -1;  // index in the assignment list of the assignment it ran; -1 for none
  bool ghost = false;  // reported to vakro without a keyboard: it never reaches a window
  // Withheld events the program delivers after this one, in order.
  std::vector<TKeyEvent> delivered;
  // Whether, with every key up after this event, an ordinary key would reach the window.
  bool keyboardAnswers = true;
};

// The virtual-key code the hook reports for a key (the generic Shift, Ctrl and Alt codes).
using VirtualKeyOf = std::function<uint32_t(ScriptKey key)>;

// One step per key event and ghost press of the script (pauses have none), in order. The hook
// is taken to withhold what meets the swallow mode, and the system to report the keys the script
// holds as down.
std::vector<ReplayStep> ReplayScript(const std::vector<ScriptEvent>& events,
                                     const TKeyManager& keys, const VirtualKeyOf& virtualKeyOf);

// The keystroke flags of a ghost press: repeat count 1, scan code, extended flag.
uint32_t GhostFlags(ScriptKey key);

// The generic code of a left- or right-hand Shift, Ctrl or Alt code; others stay as they are.
uint32_t GenericVirtualKey(uint32_t virtualKey);
