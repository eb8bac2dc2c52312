#include <gtest/gtest.h>

#include <set>

#include "test_support.h"
#include "data/key_manager.h"
#include "ui/entry_action.h"
#include "ui/key_entry.h"
#include "ui/list_filter.h"
#include "ui/output_keys.h"

namespace {

const char kNoKey[] = "キーを指定してください。";
const char kTaken[] = "このキーの組み合わせは登録済みです。";
const char kNoPath[] = "実行ファイルを指定してください。";
const char kMissingPath[] = "実行ファイルが存在しません。";
const char kMissingFolder[] = "作業パスが存在しません。";
const char kNoKeysToSend[] = "送信するキーを実行時引数に記録してください。";
const char kBadKeysToSend[] = "送信するキーの指定が正しくありません。実行時引数でキーを記録し直してください。";

// A file system of a few names: files and folders.
struct FakeDisk {
  std::set<std::string> files, folders;
  std::vector<std::string> asked;
  TPathProbe Probe() {
    return {[this](const std::string& path) {
              asked.push_back(path);
              return files.count(path) || folders.count(path);
            },
            [this](const std::string& path) { return folders.count(path) > 0; }};
  }
};

TKeyEntry Entry(const std::string& keyText, const std::string& path, const std::string& workPath = "") {
  return {"name", keyText, path, "", workPath};
}

TEST(CapturedKeys, DistinctKeysInFirstPressOrderJoinedByPlus) {
  TChord chord;
  std::string text;
  EXPECT_TRUE(AppendCapturedKey(chord, text, "000029", "Ctrl"));
  EXPECT_EQ(text, "Ctrl");
  EXPECT_TRUE(AppendCapturedKey(chord, text, "000030", "A"));
  // Auto-repeat and a second press of a key already recorded add nothing.
  EXPECT_FALSE(AppendCapturedKey(chord, text, "000030", "A"));
  EXPECT_FALSE(AppendCapturedKey(chord, text, "000029", "Ctrl"));
  EXPECT_TRUE(AppendCapturedKey(chord, text, "001029", "Ctrl"));
  EXPECT_EQ(chord, (TChord{"000029", "000030", "001029"}));
  EXPECT_EQ(text, "Ctrl+A+Ctrl");
}

// Each tap is a step, a key may come again; its auto-repeats and release add nothing.
TEST(CapturedKeys, StepsOfASequenceJoinedByCommas) {
  TChord steps;
  std::string text;
  const uint32_t press = 0x00580001, repeat = press | 0x40000000u, release = repeat | 0x80000000u;
  EXPECT_TRUE(AppendCapturedStep(steps, text, "000088", "F12", press));
  EXPECT_FALSE(AppendCapturedStep(steps, text, "000088", "F12", repeat));
  EXPECT_FALSE(AppendCapturedStep(steps, text, "000088", "F12", release));
  EXPECT_TRUE(AppendCapturedStep(steps, text, "000017", "W", 0x00110001));
  EXPECT_TRUE(AppendCapturedStep(steps, text, "000088", "F12", press));
  EXPECT_EQ(steps, (TChord{"000088", "000017", "000088"}));
  EXPECT_EQ(text, "F12, W, F12");
}

TEST(CapturedKeys, NameOfTheFirstKeyMayBeEmpty) {
  TChord chord;
  std::string text;
  AppendCapturedKey(chord, text, "000115", "");
  AppendCapturedKey(chord, text, "000030", "A");
  EXPECT_EQ(text, "+A");
}

TEST(KeyEntry, TextsTrimmedOfControlBytesExceptTheKey) {
  TKeyEntry entry = ReadKeyEntry(" \tname\x01 ", " Ctrl+A ", std::string("\0 C:\\a b.exe \r\n", 15),
                                 "  -x  \"y\" ", " C:\\work\x1F");
  EXPECT_EQ(entry.programName, "name");
  EXPECT_EQ(entry.keyText, " Ctrl+A ");
  EXPECT_EQ(entry.path, "C:\\a b.exe");
  EXPECT_EQ(entry.arguments, "-x  \"y\"");
  EXPECT_EQ(entry.workPath, "C:\\work");
  EXPECT_EQ(TrimControlBytes(" \t "), "");
  // Shift-JIS bytes above 0x20 are never trimmed, trail bytes included.
  EXPECT_EQ(TrimControlBytes(std::string(" ") + kSjisSo + " "), kSjisSo);
}

TEST(KeyEntry, LastFailingCheckWins) {
  FakeDisk disk;
  EXPECT_EQ(KeyEntryMessage(Entry("", "notepad.exe"), {}, true, -1, disk.Probe()), kNoKey);
  EXPECT_EQ(KeyEntryMessage(Entry("", ""), {}, true, -1, disk.Probe()), kNoPath);
  EXPECT_EQ(KeyEntryMessage(Entry("Ctrl+A", "notepad.exe"), {"Ctrl+A"}, true, -1, disk.Probe()), kTaken);
  EXPECT_EQ(KeyEntryMessage(Entry("Ctrl+A", "C:\\none.exe"), {"Ctrl+A"}, true, -1, disk.Probe()),
            kMissingPath);
  EXPECT_EQ(KeyEntryMessage(Entry("", "", "C:\\nowhere"), {}, true, -1, disk.Probe()), kMissingFolder);
  EXPECT_EQ(KeyEntryMessage(Entry("Ctrl+A", "notepad.exe"), {}, true, -1, disk.Probe()), "");
}

TEST(KeyEntry, KeyTakenByAnotherRowWithoutRegardToLetterCase) {
  FakeDisk disk;
  const std::vector<std::string> rows = {"Ctrl+A", "Shift+B"};
  EXPECT_EQ(KeyEntryMessage(Entry("ctrl+a", "x"), rows, true, -1, disk.Probe()), kTaken);
  EXPECT_EQ(KeyEntryMessage(Entry("SHIFT+B", "x"), rows, true, 1, disk.Probe()), kTaken);
  // Updating the selected row may keep its own key; another row's key stays taken.
  EXPECT_EQ(KeyEntryMessage(Entry("Shift+b", "x"), rows, false, 1, disk.Probe()), "");
  EXPECT_EQ(KeyEntryMessage(Entry("Ctrl+A", "x"), rows, false, 1, disk.Probe()), kTaken);
  EXPECT_EQ(KeyEntryMessage(Entry("Ctrl+A", "x"), rows, false, -1, disk.Probe()), kTaken);
  EXPECT_EQ(KeyEntryMessage(Entry("Ctrl+A+B", "x"), rows, true, -1, disk.Probe()), "");
}

TEST(KeyEntry, DoubleByteCharactersComparedWhole) {
  // Two katakana whose trail bytes differ as 'A' and 'a' do: different keys.
  const std::string a = "\x83\x41";  // ア
  const std::string b = "\x83\x61";  // another katakana, trail byte 'a'
  EXPECT_FALSE(SameKeyText(a + "+Z", b + "+Z"));
  EXPECT_TRUE(SameKeyText(a + "+z", a + "+Z"));
  EXPECT_TRUE(SameKeyText(kSjisMuhenkan, kSjisMuhenkan));
  EXPECT_FALSE(SameKeyText("A", "AB"));
  // A lead byte at the very end is compared as a byte.
  EXPECT_TRUE(SameKeyText("x\x83", "X\x83"));
}

TEST(KeyEntry, OnlyDrivePathsAreLookedFor) {
  FakeDisk disk;
  disk.files = {"C:\\tools\\run.exe"};
  disk.folders = {"C:\\tools"};
  const auto message = [&](const std::string& path) {
    return KeyEntryMessage(Entry("Ctrl+A", path), {}, true, -1, disk.Probe());
  };
  EXPECT_EQ(message("C:\\tools\\run.exe"), "");
  EXPECT_EQ(message("C:\\tools"), "");  // a folder is opened by the shell
  EXPECT_EQ(message("C:\\tools\\none.exe"), kMissingPath);
  EXPECT_EQ(message("$volup"), "");
  EXPECT_EQ(message("$C:\\none.exe"), "");
  EXPECT_EQ(message("notepad.exe"), "");
  EXPECT_EQ(message("tools\\none.exe"), "");
  EXPECT_EQ(message("\\\\server\\share\\none.exe"), "");
  EXPECT_EQ(message("C:none.exe"), "");
  EXPECT_EQ(disk.asked, (std::vector<std::string>{"C:\\tools\\run.exe", "C:\\tools",
                                                  "C:\\tools\\none.exe"}));
}

TEST(KeyEntry, WorkingFolderMustBeAnExistingFolder) {
  FakeDisk disk;
  disk.files = {"C:\\tools\\run.exe"};
  disk.folders = {"C:\\tools", "tools"};
  const auto message = [&](const std::string& workPath) {
    return KeyEntryMessage(Entry("Ctrl+A", "run.exe", workPath), {}, true, -1, disk.Probe());
  };
  EXPECT_EQ(message(""), "");
  EXPECT_EQ(message("C:\\tools"), "");
  EXPECT_EQ(message("tools"), "");
  EXPECT_EQ(message("C:\\tools\\run.exe"), kMissingFolder);
  EXPECT_EQ(message("C:\\nowhere"), kMissingFolder);
}

// Index 0 is all programs, whatever the list says; 1 only, 2 all but. A rejected list leaves
// the scope at all programs.
TEST(KeyEntry, ProgramListChecksAndShortForm) {
  TProgramScope scope;
  EXPECT_EQ(ReadProgramScope(0, "C:\\x.exe,,", scope), "");
  EXPECT_TRUE(scope.IsAll());
  EXPECT_EQ(ReadProgramScope(1, " ", scope), "対象のプログラムを指定してください。");
  EXPECT_EQ(ReadProgramScope(2, "a.exe, ,b", scope), "プログラムの一覧に空の名前があります。");
  const std::string pathMessage =
      "プログラムはフォルダを含まない実行ファイル名 (notepad.exe など) で指定してください。";
  EXPECT_EQ(ReadProgramScope(1, ",C:\\Windows\\notepad.exe", scope), pathMessage);  // the last wins
  EXPECT_TRUE(scope.IsAll());
  EXPECT_EQ(ReadProgramScope(2, "notepad , write.exe", scope), "");
  EXPECT_EQ(scope, (TProgramScope{TScopeKind::kExcept, {"notepad", "write.exe"}, ""}));
  EXPECT_EQ(ScopeShortText(scope), "以外: notepad, write.exe");
  EXPECT_EQ(ScopeShortText({}), "");
  EXPECT_EQ(WithProgramAdded("", "calc.exe"), "calc.exe");
  EXPECT_EQ(WithProgramAdded("notepad, calc", "CALC.EXE"), "notepad, calc");
  EXPECT_EQ(WithProgramAdded("notepad", "calc.exe"), "notepad, calc.exe");
}

// The same keys may be registered again for programs the other rows are not for.
TEST(KeyEntry, KeyTakenOnlyWhereTheScopesShareAProgram) {
  FakeDisk disk;
  const std::vector<std::string> rows = {"Ctrl+A", "Ctrl+A"};
  const std::vector<TProgramScope> scopes = {{TScopeKind::kOnly, {"notepad.exe"}, ""},
                                             {TScopeKind::kExcept, {"notepad", "calc"}, ""}};
  const auto message = [&](const TProgramScope& scope) {
    return KeyEntryMessage(Entry("Ctrl+A", "a.exe"), rows, true, -1, disk.Probe(), scopes, scope);
  };
  EXPECT_EQ(message({TScopeKind::kOnly, {"CALC.EXE"}, ""}), "");
  EXPECT_EQ(message({TScopeKind::kOnly, {"calc", "mspaint"}, ""}), kTaken);
  EXPECT_EQ(message({TScopeKind::kExcept, {"mspaint"}, ""}), kTaken);
  EXPECT_EQ(message({}), kTaken);
}

TEST(KeyEntry, KeysToSendAreKeyCodesOfAtLeastOneChord) {
  FakeDisk disk;
  const auto message = [&](const std::string& path, const std::string& arguments,
                           const std::string& workPath = "") {
    return KeyEntryMessage({"name", "Ctrl+A", path, arguments, workPath}, {}, true, -1, disk.Probe());
  };
  EXPECT_EQ(message("$keys", "000029,000030 001083"), "");
  EXPECT_EQ(message("$KEYS", "000029,000030,000029"), kBadKeysToSend);  // a key twice in a chord
  EXPECT_EQ(message("$keys", "Ctrl+A"), kBadKeysToSend);
  EXPECT_EQ(message("$keys", ""), kNoKeysToSend);
  EXPECT_EQ(message("$keys", "Ctrl+A", "C:\\nowhere"), kMissingFolder);  // the last check wins
  EXPECT_EQ(message("$text", "Ctrl+A"), "");
  EXPECT_EQ(message("$keystroke", "Ctrl+A"), "");  // a plug-in's word
  EXPECT_EQ(message("keys.exe", ""), "");
}

int ActionNamed(const std::string& label) {
  size_t count = 0;
  const TEntryAction* actions = EntryActions(count);
  for (size_t i = 0; i < count; ++i)
    if (label == actions[i].label) return static_cast<int>(i);
  return -1;
}

// Every action chosen for a program's path fills in what selects it again; a program keeps its
// path and drops a "$" word, a plug-in keeps its own word.
TEST(EntryAction, ChoiceFillsThePathThatSelectsIt) {
  size_t count = 0;
  const TEntryAction* actions = EntryActions(count);
  ASSERT_EQ(count, 12u);
  for (int action = 0; action < static_cast<int>(count); ++action)
    EXPECT_EQ(ActionOfPath(PathForAction(action, "C:\\x.exe")), action) << actions[action].label;
  const int program = ActionNamed("起動"), plugin = ActionNamed("プラグイン");
  EXPECT_EQ(PathForAction(ActionNamed("キー送信"), "C:\\x.exe"), "$keys");
  EXPECT_EQ(PathForAction(program, "C:\\x.exe"), "C:\\x.exe");
  EXPECT_EQ(PathForAction(program, "$text"), "");
  EXPECT_EQ(PathForAction(plugin, "$macro"), "$macro");
  EXPECT_EQ(PathForAction(plugin, "$mute"), "$");
  EXPECT_EQ(ActionOfPath(" $VolumeUp\t"), ActionNamed("音量を上げる"));
  EXPECT_EQ(ActionOfPath("$texts"), plugin);
  EXPECT_EQ(ActionOfPath(""), program);
  EXPECT_TRUE(IsPressKeysPath(" $Keys"));
  EXPECT_FALSE(IsProgramPath("$x"));
}

// The arguments box of a "$keys" entry: keys held together are one chord, the press after all
// of them are up begins the next.
TEST(OutputKeys, HeldKeysMakeOneChordAndThePressAfterTheNext) {
  const auto name = [](const std::string& code) {
    return code == "000029" ? std::string("Ctrl") : code == "000030" ? "A" : code;
  };
  TOutputKeys keys;
  EXPECT_TRUE(keys.Press("000029"));
  EXPECT_TRUE(keys.Press("000030"));
  EXPECT_FALSE(keys.Press("000030"));  // auto-repeat
  keys.Release("000030");
  EXPECT_FALSE(keys.Press("000030"));  // again while Ctrl is down: the chord has it
  keys.Release("000029");              // released in any order, the chord ends with its last key
  keys.Release("000030");
  EXPECT_TRUE(keys.Press("001083"));
  keys.Release("001083");
  EXPECT_TRUE(keys.Press("000030"));  // a key of an earlier chord begins a chord of its own
  EXPECT_EQ(keys.Arguments(), "000029,000030 001083 000030");
  EXPECT_EQ(keys.DisplayText(name), "Ctrl+A, 001083, A");
  // Keys seen down before the box lost the focus are no part of the next chord.
  keys.Release("000030");
  keys.Press("000042");
  keys.ForgetHeld();
  keys.Press("000031");
  EXPECT_EQ(keys.Arguments(), "000029,000030 001083 000030 000042 000031");
  keys.Clear();
  EXPECT_EQ(keys.Arguments(), "");
}

TEST(OutputKeys, StoredCodesGoOnAndOtherTextStaysUntilAKeyIsRecorded) {
  const auto name = [](const std::string& code) { return "<" + code + ">"; };
  TOutputKeys keys;
  EXPECT_TRUE(keys.Load("000029,000030  001083"));
  EXPECT_EQ(keys.DisplayText(name), "<000029>+<000030>, <001083>");
  keys.Press("000031");
  EXPECT_EQ(keys.Arguments(), "000029,000030 001083 000031");
  EXPECT_FALSE(keys.Load("hello 000030"));
  EXPECT_EQ(keys.Arguments(), "hello 000030");
  EXPECT_EQ(keys.DisplayText(name), "hello 000030");
  keys.Press("000030");
  EXPECT_EQ(keys.Arguments(), "000030");
}

TEST(FinderArguments, AfterTheProgramTrimmed) {
  EXPECT_EQ(ArgumentsOfCommandLine("\"C:\\Program Files\\w.exe\"  -a \"b c\"  "), "-a \"b c\"");
  EXPECT_EQ(ArgumentsOfCommandLine("\"C:\\Program Files\\w.exe\""), "");
  EXPECT_EQ(ArgumentsOfCommandLine("\"C:\\Program Files\\w.exe\" "), "");
  EXPECT_EQ(ArgumentsOfCommandLine("\"C:\\Program Files\\w.exe -a"), "");
  EXPECT_EQ(ArgumentsOfCommandLine("C:\\w.exe -a  b\t"), "-a  b");
  EXPECT_EQ(ArgumentsOfCommandLine("C:\\Program Files\\w.exe -a"), "Files\\w.exe -a");
  EXPECT_EQ(ArgumentsOfCommandLine("C:\\w.exe"), "");
  EXPECT_EQ(ArgumentsOfCommandLine(""), "");
  EXPECT_EQ(ArgumentsOfCommandLine("\""), "");
}

TEST(FinderArguments, OwnModuleWithoutRegardToCase) {
  EXPECT_TRUE(SameModulePath("C:\\Tools\\VAKRO.EXE", "c:\\tools\\vakro.exe"));
  EXPECT_FALSE(SameModulePath("C:\\tools\\vakro.exe", "C:\\tools\\vakro.exe.bak"));
  EXPECT_TRUE(SameModulePath(std::string("C:\\") + kSjisSo + "\\V.exe", std::string("c:\\") + kSjisSo + "\\v.exe"));
}

// The find box: every text column, any letter case, whole double-byte characters.
TEST(FindBox, FindsInEveryTextColumnWithoutRegardToCase) {
  TKeyManager keys;
  keys.Add({"000029"}, "C:\\Tools\\Editor.exe", "--Wide", "D:\\Work", kSjisNotepad, "Ctrl+E", false);
  keys.Add({"000030"}, "$volumeup", "", "", "Volume", "Alt+Up", false);
  keys.Edit(1)->SetScope({TScopeKind::kOnly, {"editor.exe"}, ""});  // the scope is not searched
  EXPECT_EQ(FoundAssignments(keys, ""), (std::vector<int>{0, 1}));
  EXPECT_EQ(FoundAssignments(keys, "EDITOR"), std::vector<int>{0});   // path
  EXPECT_EQ(FoundAssignments(keys, "wide"), std::vector<int>{0});     // arguments
  EXPECT_EQ(FoundAssignments(keys, "d:\\work"), std::vector<int>{0}); // working folder
  EXPECT_EQ(FoundAssignments(keys, "alt+"), std::vector<int>{1});     // key text
  EXPECT_EQ(FoundAssignments(keys, "VOLUME"), std::vector<int>{1});   // name and path
  EXPECT_EQ(FoundAssignments(keys, "\x92\xA0"), std::vector<int>{0}); // 帳 of メモ帳
  EXPECT_EQ(FoundAssignments(keys, "nothing"), std::vector<int>{});
}

// A byte pair that straddles two double-byte characters is no match, nor is an ASCII letter
// that is only a trail byte; the full-width letters fold as the system folds them.
TEST(FindBox, MatchesStartOnWholeCharacters) {
  const std::string so = kSjisSo;    // 0x83 0x5C
  const std::string hyo = kSjisHyo;  // 0x95 0x5C
  EXPECT_TRUE(TextFinds(so + hyo, FindKey(hyo)));
  EXPECT_FALSE(TextFinds(so + hyo, FindKey("\\")));      // 0x5C only as trail bytes
  EXPECT_FALSE(TextFinds(so + hyo, FindKey("\x5C\x95")));  // straddles the two
  EXPECT_TRUE(TextFinds(so + "\\", FindKey("\\")));
  EXPECT_FALSE(TextFinds("\x83\x61", FindKey("a")));     // 'a' as a trail byte
  EXPECT_TRUE(TextFinds("\x82\x60\x82\x61", FindKey("\x82\x81")));  // Ａ found by ａ
  EXPECT_FALSE(TextFinds("ab", FindKey("abc")));
  EXPECT_EQ(FoundCountText(3, 300), "3 / 300 件");
}

}  // namespace
