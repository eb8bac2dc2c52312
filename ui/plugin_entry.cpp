#include "ui/plugin_entry.h"

#include "data/platform.h"
#include "ui/key_name_entry.h"

TPluginInput NormalisePluginInput(const std::string& path, const std::string& value,
                                  const std::string& macro) {
  TPluginInput input{TrimBlankBytes(path), TrimBlankBytes(value), TrimBlankBytes(macro)};
  platform::LowerAnsi(input.macro);
  if (input.macro.empty() || input.macro[0] != '$') input.macro = "$" + input.macro;
  return input;
}

std::string PluginInputError(const TPluginInput& input, int excludeIndex,
                             const TPluginChecks& checks) {
  std::string message;
  if (!checks.isFile(input.path))
    message = "指定のプラグインは存在しません。パスを確認してください。";
  else if (!checks.isPlugin(input.path))
    message = "指定のプラグインは Vakro 用のプラグインではありません。";
  if (input.path.empty()) message = "プラグインを指定してください。";
  if (input.macro == "$") message = "マクロが不正です。正しいマクロを指定してください。";
  const int owner = checks.indexOfMacro(input.macro);
  if (owner != -1 && owner != excludeIndex)
    message = "マクロ " + input.macro + " は他のプラグインで登録済みです。他のマクロを指定してください。";
  return message;
}
