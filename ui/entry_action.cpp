#include "ui/entry_action.h"

#include <iterator>

#include "data/output_text.h"
#include "data/platform.h"
#include "ui/key_entry.h"

namespace {

const TEntryAction kActions[] = {
    {"起動", ""},
    {"文字入力", kTypeTextCommand},
    {"キー送信", kPressKeysCommand},
    {"シャットダウン", "$exitwindows"},
    {"再起動", "$reboot"},
    {"設定を表示", "$show"},
    {"ウィンドウ情報", "$windowinfo"},
    {"音量を上げる", "$volumeup"},
    {"音量を下げる", "$volumedown"},
    {"消音", "$mute"},
    {"一時停止", "$pause"},
    {"プラグイン", "$"},
};
const int kPluginAction = static_cast<int>(std::size(kActions)) - 1;

}  // namespace

const TEntryAction* EntryActions(size_t& count) {
  count = std::size(kActions);
  return kActions;
}

int ActionOfPath(const std::string& path) {
  std::string word = TrimControlBytes(path);
  if (word.empty() || word[0] != '$') return kProgramAction;
  platform::LowerAnsi(word);
  for (int action = kProgramAction + 1; action < kPluginAction; ++action)
    if (word == kActions[action].word) return action;
  return kPluginAction;
}

std::string PathForAction(int action, const std::string& path) {
  const int shown = ActionOfPath(path);
  if (action == shown && (action == kProgramAction || action == kPluginAction)) return path;
  if (action < 0 || action > kPluginAction) return path;
  return kActions[action].word;
}

bool IsProgramPath(const std::string& path) { return ActionOfPath(path) == kProgramAction; }

bool IsPressKeysPath(const std::string& path) {
  return kActions[ActionOfPath(path)].word == std::string(kPressKeysCommand);
}
