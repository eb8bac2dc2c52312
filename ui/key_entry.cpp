#include "ui/key_entry.h"

#include <algorithm>

#include "data/output_text.h"
#include "data/platform.h"
#include "engine/program_match.h"
#include "ui/entry_action.h"

bool AppendCapturedKey(TChord& chord, std::string& displayText, const std::string& keyCode,
                       const std::string& displayName) {
  if (!AddDistinctKey(chord, keyCode)) return false;
  if (chord.size() >= 2) displayText += '+';
  displayText += displayName;
  return true;
}

bool AppendCapturedStep(TChord& steps, std::string& displayText, const std::string& keyCode,
                        const std::string& displayName, uint32_t keystrokeFlags) {
  if (keystrokeFlags & 0x40000000u) return false;
  if (!steps.empty()) displayText += ", ";
  steps.push_back(keyCode);
  displayText += displayName;
  return true;
}

namespace {

bool IsControlByte(char byte) { return static_cast<unsigned char>(byte) <= 0x20; }

char UpperAscii(char byte) { return (byte >= 'a' && byte <= 'z') ? static_cast<char>(byte - 32) : byte; }

bool IsDrivePath(const std::string& path) {
  return path.size() >= 3 && path[1] == ':' && path[2] == '\\';
}

}  // namespace

std::string TrimControlBytes(const std::string& text) {
  size_t begin = 0, end = text.size();
  while (begin < end && IsControlByte(text[begin])) ++begin;
  while (end > begin && IsControlByte(text[end - 1])) --end;
  return text.substr(begin, end - begin);
}

TKeyEntry ReadKeyEntry(const std::string& programName, const std::string& keyText,
                       const std::string& path, const std::string& arguments,
                       const std::string& workPath) {
  return {TrimControlBytes(programName), keyText, TrimControlBytes(path),
          TrimControlBytes(arguments), TrimControlBytes(workPath)};
}

bool SameKeyText(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (platform::IsLeadByte(static_cast<unsigned char>(a[i])) && i + 1 < a.size()) {
      if (a[i] != b[i] || a[i + 1] != b[i + 1]) return false;
      ++i;
    } else if (UpperAscii(a[i]) != UpperAscii(b[i])) {
      return false;
    }
  }
  return true;
}

std::string KeyEntryMessage(const TKeyEntry& entry, const std::vector<std::string>& rowKeyTexts,
                            bool adding, int selectedRow, const TPathProbe& probe,
                            const std::vector<TProgramScope>& rowScopes,
                            const TProgramScope& entryScope) {
  std::string message;
  const TProgramSet entryPrograms = TProgramSet::Of(entryScope);
  const auto sharesPrograms = [&](size_t row) {
    return row >= rowScopes.size() || TProgramSet::Of(rowScopes[row]).Overlaps(entryPrograms);
  };
  if (entry.keyText.empty()) {
    message = "キーを指定してください。";
  } else {
    for (size_t row = 0; row < rowKeyTexts.size(); ++row)
      if (SameKeyText(rowKeyTexts[row], entry.keyText) &&
          (adding || static_cast<int>(row) != selectedRow) && sharesPrograms(row))
        message = "このキーの組み合わせは登録済みです。";
  }
  if (entry.path.empty())
    message = "実行ファイルを指定してください。";
  else if (entry.path[0] != '$' && IsDrivePath(entry.path) && !probe.fileOrFolderExists(entry.path))
    message = "実行ファイルが存在しません。";
  std::vector<TChord> chords;
  if (IsPressKeysPath(entry.path) && entry.arguments.empty())
    message = "送信するキーを実行時引数に記録してください。";
  else if (IsPressKeysPath(entry.path) && !ParseKeyChords(entry.arguments, chords))
    message = "送信するキーの指定が正しくありません。実行時引数でキーを記録し直してください。";
  if (!entry.workPath.empty() && !probe.folderExists(entry.workPath))
    message = "作業パスが存在しません。";
  return message;
}

std::string ReadProgramScope(int kindIndex, const std::string& listText, TProgramScope& scope) {
  scope = {};
  if (kindIndex != 1 && kindIndex != 2) return {};
  TTextList names;
  ParseTypedProgramList(listText, names);
  std::string message;
  if (names.size() == 1 && names[0].empty()) return "対象のプログラムを指定してください。";
  for (const std::string& name : names)
    if (name.empty()) message = "プログラムの一覧に空の名前があります。";
  for (const std::string& name : names)
    if (!name.empty() && !IsProgramFileName(name))
      message = "プログラムはフォルダを含まない実行ファイル名 (notepad.exe など) で指定してください。";
  if (!message.empty()) return message;
  scope.kind = kindIndex == 1 ? TScopeKind::kOnly : TScopeKind::kExcept;
  scope.programs = std::move(names);
  return {};
}

std::string ScopeShortText(const TProgramScope& scope) {
  switch (scope.kind) {
    case TScopeKind::kAll: return {};
    case TScopeKind::kOnly: return "のみ: " + TypedProgramList(scope.programs);
    case TScopeKind::kExcept: return "以外: " + TypedProgramList(scope.programs);
  }
  return {};
}

std::string WithProgramAdded(const std::string& listText, const std::string& program) {
  TTextList names;
  ParseTypedProgramList(listText, names);
  if (names.size() == 1 && names[0].empty()) names.clear();
  if (ProgramListHolds(names, program)) return listText;
  names.push_back(program);
  return TypedProgramList(names);
}

std::string ArgumentsOfCommandLine(const std::string& commandLine) {
  size_t start;
  if (!commandLine.empty() && commandLine[0] == '"') {
    const size_t closing = commandLine.find('"', 1);
    if (closing == std::string::npos) return {};
    start = closing + 1;
  } else {
    const size_t space = commandLine.find(' ');
    if (space == std::string::npos) return {};
    start = space + 1;
  }
  return TrimControlBytes(commandLine.substr(start));
}

bool SameModulePath(const std::string& a, const std::string& b) {
  std::string lowerA = a, lowerB = b;
  platform::LowerAnsi(lowerA);
  platform::LowerAnsi(lowerB);
  return lowerA == lowerB;
}
