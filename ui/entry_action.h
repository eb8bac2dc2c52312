// The actions the programs page offers beside the 実行ファイル box: choosing one fills the box
// with its "$" word, and whatever the box holds selects the action it names.
#pragma once

#include <cstddef>
#include <string>

struct TEntryAction {
  const char* label;  // as the choice lists it
  const char* word;   // the 実行ファイル text it stands for
};

// The choice's items in order: a program first, a plug-in's "$" word last.
const TEntryAction* EntryActions(size_t& count);
inline constexpr int kProgramAction = 0;

// The action a 実行ファイル text names: a program unless it begins with "$"; a built-in word in
// any letter case; any other "$" word calls a plug-in. Bytes 0x00-0x20 around it do not count.
int ActionOfPath(const std::string& path);

// The 実行ファイル text once `action` is chosen while the box holds `path`: the action's word; a
// program drops a "$" word and keeps a path; a plug-in keeps a plug-in's word.
std::string PathForAction(int action, const std::string& path);

// Whether the text names a program (does not begin with "$") or the key-sending word.
bool IsProgramPath(const std::string& path);
bool IsPressKeysPath(const std::string& path);
