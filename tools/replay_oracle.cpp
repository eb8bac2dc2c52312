// replay_oracle.exe: what vakro would do with a key script. Loads an assignment file, replays
// the script through the dispatcher with the keyboard hook's codes and flags, and prints:
//   key INDEX vk=0xVV lp=0xLLLLLLLL pass|swallow|ghost then=pass|swallow
//                                                   each key event, with the mode it meets (a
//                                                   ghost press reaches no window) and the mode
//                                                   the program sets after it
//   deliver INDEX vk=0xVV lp=0xLLLLLLLL              a withheld event delivered after it
//   exec INDEX ASSIGNMENT ARGUMENTS                  an assignment the event runs
//   summary keys=N execs=M stuck=S                  S: steps after which every key was up and
//                                                   an ordinary key would not reach the window
//   replay_oracle.exe KEYDATA_FILE SCRIPT_FILE
// Virtual-key codes come from the platform's keyboard layout (MapVirtualKey), as the hook's do.
#include <windows.h>

#include <cstdio>
#include <string>

#include "data/key_manager.h"
#include "data/platform.h"
#include "tools/key_replay.h"
#include "tools/key_script.h"

namespace {

uint32_t PlatformVirtualKey(ScriptKey key) {
  return GenericVirtualKey(MapVirtualKeyA(key, MAPVK_VSC_TO_VK_EX));
}

const char* ModeName(TDispatchMode mode) { return mode == TDispatchMode::kPass ? "pass" : "swallow"; }

void Print(const std::vector<ReplayStep>& steps, const TKeyManager& keys) {
  int execs = 0, stuck = 0;
  for (size_t index = 0; index < steps.size(); ++index) {
    const ReplayStep& step = steps[index];
    printf("key %u vk=0x%02x lp=0x%08lx %s then=%s\n", static_cast<unsigned>(index),
           static_cast<unsigned>(step.virtualKey), static_cast<unsigned long>(step.flags),
           step.ghost ? "ghost" : ModeName(step.modeMet), ModeName(step.modeAfter));
    for (const TKeyEvent& event : step.delivered)
      printf("deliver %u vk=0x%02x lp=0x%08lx\n", static_cast<unsigned>(index),
             static_cast<unsigned>(event.virtualKey), static_cast<unsigned long>(event.flags));
    if (!step.keyboardAnswers) ++stuck;
    if (step.executed < 0) continue;
    ++execs;
    printf("exec %u %d %s\n", static_cast<unsigned>(index), step.executed,
           keys.Get(step.executed)->Arguments().c_str());
  }
  printf("summary keys=%u execs=%d stuck=%d\n", static_cast<unsigned>(steps.size()), execs, stuck);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    fprintf(stderr, "usage: replay_oracle.exe KEYDATA_FILE SCRIPT_FILE\n");
    return 2;
  }
  std::string assignments, text;
  if (!platform::ReadFileBytes(argv[1], assignments) || !platform::ReadFileBytes(argv[2], text)) {
    fprintf(stderr, "replay_oracle: cannot read %s or %s\n", argv[1], argv[2]);
    return 2;
  }
  TKeyManager keys;
  keys.LoadFromBytes(assignments);
  ParsedScript script = ParseScript(text);
  if (script.errorLine) {
    fprintf(stderr, "replay_oracle: %s line %d is not a key event\n", argv[2], script.errorLine);
    return 2;
  }
  Print(ReplayScript(script.events, keys, PlatformVirtualKey), keys);
  fflush(stdout);
  return 0;
}
