// replay_oracle.exe: what vakro would do with a key script. Loads an assignment file, replays
// the script through the dispatcher with the keyboard hook's codes and flags, and prints:
//   key INDEX vk=0xVV lp=0xLLLLLLLL pass|swallow then=pass|swallow
//                                                   each key event, with the mode it meets and
//                                                   the mode the program sets after it
//   exec INDEX ASSIGNMENT ARGUMENTS                  an assignment the event runs
//   summary keys=N execs=M
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

const char* ModeName(DispatchMode mode) { return mode == DispatchMode::kPass ? "pass" : "swallow"; }

void Print(const std::vector<ReplayStep>& steps, const TKeyManager& keys) {
  int execs = 0;
  for (size_t index = 0; index < steps.size(); ++index) {
    const ReplayStep& step = steps[index];
    printf("key %u vk=0x%02x lp=0x%08lx %s then=%s\n", static_cast<unsigned>(index),
           static_cast<unsigned>(step.virtualKey), static_cast<unsigned long>(step.flags),
           ModeName(step.modeMet), ModeName(step.modeAfter));
    if (step.executed < 0) continue;
    ++execs;
    printf("exec %u %d %s\n", static_cast<unsigned>(index), step.executed,
           keys.Get(step.executed)->Arguments().c_str());
  }
  printf("summary keys=%u execs=%d\n", static_cast<unsigned>(steps.size()), execs);
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
