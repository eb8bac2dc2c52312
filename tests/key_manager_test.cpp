#include <gtest/gtest.h>

#include "data/key_manager.h"
#include "data/key_transfer.h"
#include "data/platform.h"
#include "tests/test_support.h"

namespace {

const std::string kExampleLine = std::string("\"000029,000030\",") + kSjisNotepad +
                                 ",Ctrl+A,C:\\Windows\\notepad.exe,,,false\r\n";

void AddNotepad(TKeyManager& keys) {
  keys.Add({"000029", "000030"}, "C:\\Windows\\notepad.exe", "", "", kSjisNotepad, "Ctrl+A",
           false);
}

// Loads `bytes` through a real file, as the program does.
void LoadThroughFile(TKeyManager& keys, const std::string& bytes) {
  const std::string file = ScratchFolder() + "keydata.dat";
  WriteBytes(file, bytes);
  ASSERT_TRUE(keys.LoadFromFile(file));
}

void ExpectSameAssignment(const TKeyInfo& a, const TKeyInfo& b) {
  EXPECT_EQ(a.Keys(), b.Keys());
  EXPECT_EQ(a.KeysText(), b.KeysText());
  EXPECT_EQ(a.Path(), b.Path());
  EXPECT_EQ(a.WorkPath(), b.WorkPath());
  EXPECT_EQ(a.ProgramName(), b.ProgramName());
  EXPECT_EQ(a.KeyText(), b.KeyText());
  EXPECT_EQ(a.Arguments(), b.Arguments());
  EXPECT_EQ(a.Repeat(), b.Repeat());
  EXPECT_EQ(a.Scope(), b.Scope());
  EXPECT_EQ(a.Options(), b.Options());
}

void ExpectSameList(const TKeyManager& a, const TKeyManager& b) {
  ASSERT_EQ(a.Count(), b.Count());
  for (int i = 0; i < a.Count(); ++i) ExpectSameAssignment(*a.Get(i), *b.Get(i));
}

TEST(KeyManager, GetOutsideTheListAndRemoveOfAStranger) {
  TKeyManager keys;
  AddNotepad(keys);
  EXPECT_EQ(keys.Get(-1), nullptr);
  EXPECT_EQ(keys.Get(keys.Count()), nullptr);
  TKeyInfo stranger;
  keys.Remove(&stranger);
  keys.Remove(nullptr);
  EXPECT_EQ(keys.Count(), 1);
}

TEST(KeyDataFile, ExampleLineByteForByte) {
  TKeyManager keys;
  AddNotepad(keys);
  EXPECT_EQ(keys.SaveToBytes(), kExampleLine);

  TKeyManager loaded;
  loaded.LoadFromBytes(kExampleLine);
  ExpectSameList(keys, loaded);
  EXPECT_EQ(loaded.Get(0)->KeysText(), "000029\r\n000030\r\n");
}

TEST(KeyDataFile, AwkwardTextsRoundTrip) {
  TKeyManager keys;
  keys.Add({"000030"}, "C:\\Program Files\\a,b\\say \"hi\".exe", " --x \"y\" ", " work ",
           std::string(kSjisSo) + kSjisHyo, "A", true);
  keys.Add({}, "", "", "", "", "", false);
  keys.Add({"001029", "000030", "000042"}, "$volup", "", "", "", "Ctrl+A+Shift", true);
  const std::string bytes = keys.SaveToBytes();
  // A one-key chord is written bare; texts with blanks, commas or quotes are quoted.
  EXPECT_EQ(bytes.substr(0, bytes.find("\r\n")),
            std::string("000030,") + kSjisSo + kSjisHyo +
                ",A,\"C:\\Program Files\\a,b\\say \"\"hi\"\".exe\",\" --x \"\"y\"\" \",\" work \",true");

  TKeyManager loaded;
  loaded.LoadFromBytes(bytes);
  ExpectSameList(keys, loaded);
  EXPECT_EQ(loaded.SaveToBytes(), bytes);
}

TEST(KeyDataFile, LenientLines) {
  TKeyManager keys;
  keys.LoadFromBytes(
      "000030,six,A,a.exe,,\r\n"         // older layout: Repeat false
      "000030,caps,A,a.exe,,,TRUE\r\n"   // only "true" is true
      "000030,one,A,a.exe,,,1\r\n"
      "000030,yes,A,a.exe,,,true,extra,items\r\n"
      "\r\n"                             // empty line in the middle: skipped
      "000030,short,A,a.exe\r\n"         // fewer than six items: skipped
      "000030,last,A,a.exe,,,true");     // no line end
  ASSERT_EQ(keys.Count(), 5);
  EXPECT_EQ(keys.Get(0)->ProgramName(), "six");
  EXPECT_FALSE(keys.Get(0)->Repeat());
  EXPECT_FALSE(keys.Get(1)->Repeat());
  EXPECT_FALSE(keys.Get(2)->Repeat());
  EXPECT_TRUE(keys.Get(3)->Repeat());
  EXPECT_EQ(keys.Get(3)->WorkPath(), "");
  EXPECT_EQ(keys.Get(4)->ProgramName(), "last");
  EXPECT_TRUE(keys.Get(4)->Repeat());
  // Saving writes seven items again.
  EXPECT_EQ(keys.SaveToBytes().substr(0, 26), "000030,six,A,a.exe,,,false");
}

// The scope is item 7, written only for assignments that are not for all programs; one that
// cannot be read is all programs and goes back to the file as it came.
TEST(KeyDataFile, ScopeItem) {
  TKeyManager keys;
  AddNotepad(keys);
  keys.Add({"000031"}, "b.exe", "", "", "b", "S", true)
      ->SetScope({TScopeKind::kOnly, {"notepad.exe", "my editor.exe"}, ""});
  keys.Add({"000032"}, "c.exe", "", "", "c", "D", false)
      ->SetScope({TScopeKind::kExcept, {std::string(kSjisSo) + ".exe"}, ""});
  const std::string bytes = keys.SaveToBytes();
  EXPECT_EQ(bytes, kExampleLine +
                       "000031,b,S,b.exe,,,true,\"only,notepad.exe,\"\"my editor.exe\"\"\"\r\n" +
                       "000032,c,D,c.exe,,,false,\"except," + kSjisSo + ".exe\"\r\n");
  TKeyManager loaded;
  loaded.LoadFromBytes(bytes);
  ExpectSameList(keys, loaded);
  EXPECT_EQ(loaded.SaveToBytes(), bytes);

  const std::string unread =
      "000030,a,A,a.exe,,,false,sometimes\r\n"
      "000030,b,A,b.exe,,,false,\"only,C:\\x\\notepad.exe\"\r\n"
      "000030,c,A,c.exe,,,false,\"except,,x.exe\"\r\n"
      "000030,d,A,d.exe,,,false,only\r\n"
      "000030,e,A,e.exe,,,false,\"only,\x83\x5C.exe\"\r\n";  // a trail byte 0x5C is no folder
  loaded.LoadFromBytes(unread);
  ASSERT_EQ(loaded.Count(), 5);
  for (int i = 0; i < 4; ++i) EXPECT_TRUE(loaded.Get(i)->Scope().IsAll()) << i;
  EXPECT_EQ(loaded.Get(4)->Scope().kind, TScopeKind::kOnly);
  EXPECT_EQ(loaded.SaveToBytes(), unread);
}

// Options are item 8, after the scope or an empty item 7; lines without them keep seven or
// eight items. Unknown words go back to the file as they came.
TEST(KeyDataFile, OptionsItem) {
  TKeyManager keys;
  AddNotepad(keys);
  TKeyInfo* raise = keys.Add({"000031"}, "b.exe", "", "", "b", "S", false);
  raise->SetOption(kOptionRaise, true);
  TKeyInfo* both = keys.Add({"000032"}, "c.exe", "", "", "c", "D", false);
  both->SetScope({TScopeKind::kOnly, {"notepad.exe"}, ""});
  both->SetOption(kOptionRaise, true);
  both->SetOption(kOptionMinimize, true);
  const std::string bytes = keys.SaveToBytes();
  EXPECT_EQ(bytes, kExampleLine + "000031,b,S,b.exe,,,false,,raise\r\n" +
                       "000032,c,D,c.exe,,,false,\"only,notepad.exe\",\"raise,minimize\"\r\n");
  TKeyManager loaded;
  loaded.LoadFromBytes(bytes);
  ExpectSameList(keys, loaded);
  EXPECT_TRUE(loaded.Get(1)->Scope().IsAll());
  EXPECT_TRUE(loaded.Get(2)->HasOption(kOptionMinimize));
  EXPECT_EQ(loaded.SaveToBytes(), bytes);

  both->SetOption(kOptionRaise, false);
  both->SetOption(kOptionMinimize, false);
  raise->SetOption(kOptionRaise, false);
  EXPECT_EQ(keys.SaveToBytes(), kExampleLine + "000031,b,S,b.exe,,,false\r\n" +
                                    "000032,c,D,c.exe,,,false,\"only,notepad.exe\"\r\n");

  const std::string unknown = "000030,a,A,a.exe,,,false,,\"later,raise\"\r\n";
  loaded.LoadFromBytes(unknown);
  EXPECT_TRUE(loaded.Get(0)->HasOption(kOptionRaise));
  EXPECT_EQ(loaded.SaveToBytes(), unknown);
}

// A sequence is a line with the word "sequence" in item 8 and its keys in order in item 0, read
// back byte for byte; a reader of the first items sees a chord of the same keys.
TEST(KeyDataFile, SequenceLines) {
  const std::string bytes = kExampleLine + "\"000088,000017,000046\",notes,\"F12, W, C\",notepad.exe,,,false,,sequence\r\n" +
                            "\"000088,000088\",twice,,b.exe,,,false,\"only,b.exe\",\"sequence,later\"\r\n" +
                            "000088,alone,,c.exe,,,false,,sequence\r\n";
  TKeyManager keys;
  keys.LoadFromBytes(bytes);
  ASSERT_EQ(keys.Count(), 4);
  EXPECT_FALSE(keys.Get(0)->IsSequence());
  EXPECT_TRUE(keys.Get(1)->IsSequence());
  EXPECT_EQ(keys.Get(1)->Keys(), (TChord{"000088", "000017", "000046"}));
  EXPECT_EQ(keys.Get(1)->KeyText(), "F12, W, C");
  EXPECT_TRUE(keys.Get(2)->IsSequence());
  EXPECT_FALSE(keys.Get(3)->IsSequence());  // one key: pressed, as a chord of one key
  EXPECT_EQ(keys.SaveToBytes(), bytes);
}

TEST(ProgramScope, TypedLists) {
  TTextList names;
  EXPECT_TRUE(ParseTypedProgramList(" notepad ,Winword.EXE,my app.exe", names));
  EXPECT_EQ(names, (TTextList{"notepad", "Winword.EXE", "my app.exe"}));
  EXPECT_EQ(TypedProgramList(names), "notepad, Winword.EXE, my app.exe");
  for (const char* bad : {"", "a.exe,", "a.exe,,b.exe", "C:\\a.exe", "bin/a.exe", "a.exe, c:b"})
    EXPECT_FALSE(ParseTypedProgramList(bad, names)) << bad;
  EXPECT_EQ(ProgramFileNameOf("C:\\Program Files\\x\\Y.exe"), "Y.exe");
}

TEST(KeyDataFile, LineEndsAndNul) {
  TKeyManager keys;
  LoadThroughFile(keys, "1,a,,,,\r2,b,,,,\n3,c,,,,\r\n4,d,,,,");
  ASSERT_EQ(keys.Count(), 4);
  EXPECT_EQ(keys.Get(3)->ProgramName(), "d");

  const char withNul[] = "1,a,,,,\r\n2,b,,\0,,\r\n3,c,,,,\r\n";
  LoadThroughFile(keys, std::string(withNul, sizeof withNul - 1));
  ASSERT_EQ(keys.Count(), 1);
  EXPECT_EQ(keys.Get(0)->ProgramName(), "a");
}

TEST(KeyDataFile, HandEditedQuotes) {
  TKeyManager keys;
  keys.LoadFromBytes(
      "000030,\"open,A,a.exe,,,true\r\n"     // unclosed: one long item, line skipped
      "\"000030\"x,name,A,a.exe,,,true\r\n"  // text after the quote is the next item
      "000030,ok,A,a.exe,,,true\r\n");
  ASSERT_EQ(keys.Count(), 2);
  EXPECT_EQ(keys.Get(0)->Keys(), TChord{"000030"});
  EXPECT_EQ(keys.Get(0)->ProgramName(), "x");
  EXPECT_EQ(keys.Get(0)->KeyText(), "name");
  EXPECT_EQ(keys.Get(0)->Arguments(), "a.exe");
  EXPECT_EQ(keys.Get(1)->ProgramName(), "ok");
}

TEST(KeyDataFile, HugeAndRandomInputs) {
  TKeyManager keys;
  LoadThroughFile(keys, "000030,\"" + std::string(1 << 20, 'x') + "\",A,a.exe,,,true");
  ASSERT_EQ(keys.Count(), 1);
  EXPECT_EQ(keys.Get(0)->ProgramName().size(), size_t{1} << 20);

  std::string many;
  for (int i = 0; i < 100000; ++i) many += "000030,n,A,a.exe,,,false\r\n";
  LoadThroughFile(keys, many);
  EXPECT_EQ(keys.Count(), 100000);

  for (uint32_t seed = 1; seed <= 100; ++seed) LoadThroughFile(keys, SeededBytes(seed, 4096));
  LoadThroughFile(keys, std::string("000030,a,A,a.exe,,,tru\x81"));
  ASSERT_EQ(keys.Count(), 1);
  EXPECT_EQ(keys.Get(0)->Repeat(), false);
}

TEST(KeyDataFile, MissingEmptyAndWrittenFiles) {
  const std::string folder = ScratchFolder();
  const std::string file = folder + "keydata.dat";
  TKeyManager keys;
  AddNotepad(keys);
  EXPECT_TRUE(keys.LoadFromFile(folder + "missing.dat"));
  EXPECT_EQ(keys.Count(), 1);

  WriteBytes(file, "");
  EXPECT_TRUE(keys.LoadFromFile(file));
  EXPECT_EQ(keys.Count(), 0);
  EXPECT_TRUE(keys.SaveToFile(file));
  EXPECT_EQ(ReadBytes(file), "");

  AddNotepad(keys);
  EXPECT_TRUE(keys.SaveToFile(file));
  EXPECT_EQ(ReadBytes(file), kExampleLine);
  EXPECT_FALSE(platform::FileExists(platform::TemporaryNameFor(file)));
  TKeyManager loaded;
  EXPECT_TRUE(loaded.LoadFromFile(file));
  ExpectSameList(keys, loaded);
}

TEST(KeyDataFile, SaveIntoMissingFolderFails) {
  TKeyManager keys;
  AddNotepad(keys);
  EXPECT_FALSE(keys.SaveToFile(ScratchFolder() + "no-such-folder/keydata.dat"));
  EXPECT_EQ(keys.Count(), 1);
}

#ifndef _WIN32
TEST(KeyDataFile, UnreadableFileKeepsTheList) {
  TKeyManager keys;
  AddNotepad(keys);
  EXPECT_FALSE(keys.LoadFromFile(kUnreadableFile));
  EXPECT_EQ(keys.Count(), 1);
}

TEST(KeyDataFile, FailedSaveKeepsTheOldFile) {
  TmpfsFolder folder;
  if (!folder.Mounted()) GTEST_SKIP() << "mounting a tmpfs is not allowed here";
  const std::string file = folder.Path() + "keydata.dat";
  WriteBytes(file, kExampleLine);
  ASSERT_TRUE(folder.MakeReadOnly());
  TKeyManager keys;
  keys.Add({"000030"}, "b.exe", "", "", "new", "A", true);
  EXPECT_FALSE(keys.SaveToFile(file));
  EXPECT_EQ(ReadBytes(file), kExampleLine);
  EXPECT_FALSE(platform::FileExists(platform::TemporaryNameFor(file)));
  EXPECT_EQ(keys.Count(), 1);
}

TEST(KeyDataFile, SaveOnAFullDiskKeepsTheOldFile) {
  TmpfsFolder folder;
  if (!folder.Mounted()) GTEST_SKIP() << "mounting a tmpfs is not allowed here";
  const std::string file = folder.Path() + "keydata.dat";
  WriteBytes(file, kExampleLine);
  folder.Fill();
  TKeyManager keys;
  for (int i = 0; i < 1000; ++i) AddNotepad(keys);
  EXPECT_FALSE(keys.SaveToFile(file));
  EXPECT_EQ(ReadBytes(file), kExampleLine);
  EXPECT_FALSE(platform::FileExists(platform::TemporaryNameFor(file)));
}
#endif

// Taking in another machine's file: an assignment whose chord and scope the list already has
// is skipped, among the file's own lines too; one differing in either is added at the end.
TEST(KeyTransfer, TakeInSkipsSameChordAndScopeOnly) {
  TKeyManager keys;
  AddNotepad(keys);
  TKeyManager other;
  other.Add({"000029", "000030"}, "C:\\other.exe", "", "", "same chord", "Ctrl+A", false);
  other.Add({"000030", "000029"}, "C:\\other.exe", "", "", "other order", "A+Ctrl", false);
  other.Add({"000029", "000030"}, "C:\\scoped.exe", "", "", "scoped", "Ctrl+A", false);
  other.Edit(2)->SetScope({TScopeKind::kOnly, {"notepad.exe"}, ""});
  other.Add({"000029", "000030"}, "C:\\twice.exe", "", "", "scoped again", "Ctrl+A", true);
  other.Edit(3)->SetScope({TScopeKind::kOnly, {"notepad.exe"}, ""});
  other.Add({"000031"}, "C:\\new.exe", "", "", "new", "B", false);
  other.Add({"000031"}, "C:\\new2.exe", "", "", "new twice", "B", false);

  const TTakeInResult result = TakeInAssignments(keys, other.SaveToBytes());
  EXPECT_EQ(result.added, 3);
  EXPECT_EQ(result.skipped, 3);
  ASSERT_EQ(keys.Count(), 4);
  EXPECT_EQ(keys.Get(1)->ProgramName(), "other order");
  EXPECT_EQ(keys.Get(2)->ProgramName(), "scoped");
  EXPECT_EQ(keys.Get(3)->ProgramName(), "new");
  EXPECT_EQ(TakeInMessage(result),
            "3 件の割り当てを取り込みました。\r\n"
            "3 件は同じキーと対象の割り当てが既にあるため取り込みませんでした。");
  EXPECT_EQ(TakeInMessage({2, 0}), "2 件の割り当てを取り込みました。");
}

TEST(KeyTransfer, TakeInOfNothingOrJunkChangesNothing) {
  TKeyManager keys;
  AddNotepad(keys);
  const std::string before = keys.SaveToBytes();
  for (const std::string& bytes : {std::string(), std::string("junk\r\n\x83\r\n,,,\r\n"), std::string("\0\0", 2)}) {
    const TTakeInResult result = TakeInAssignments(keys, bytes);
    EXPECT_EQ(result.added + result.skipped, 0);
    EXPECT_EQ(keys.SaveToBytes(), before);
  }
}

// The export is "keydata.dat" itself for the rows chosen, in their order, the scope item only
// where there is one.
TEST(KeyTransfer, ExportWritesTheChosenAssignmentsAsTheFileDoes) {
  TKeyManager keys;
  AddNotepad(keys);
  keys.Add({"000031"}, "C:\\b.exe", "", "", "b", "B", true);
  keys.Add({"000032"}, "C:\\c.exe", "", "", "c", "C", false);
  keys.Edit(2)->SetScope({TScopeKind::kExcept, {"calc.exe"}, ""});
  EXPECT_EQ(ExportedAssignments(keys, {0}), kExampleLine);
  EXPECT_EQ(ExportedAssignments(keys, {0, 1, 2}), keys.SaveToBytes());
  TKeyManager back;
  back.LoadFromBytes(ExportedAssignments(keys, {2, 0}));
  ASSERT_EQ(back.Count(), 2);
  ExpectSameAssignment(*back.Get(0), *keys.Get(2));
  ExpectSameAssignment(*back.Get(1), *keys.Get(0));
  EXPECT_EQ(ExportedAssignments(keys, {}), "");
}

// A reload from disk keeps the list when the new file holds bytes but no assignment.
TEST(KeyManager, ReloadRefusesAFileWithoutAssignments) {
  TKeyManager keys;
  AddNotepad(keys);
  EXPECT_FALSE(keys.ReloadFromBytes("this is not an assignment\r\n"));
  EXPECT_EQ(keys.Count(), 1);
  EXPECT_TRUE(keys.ReloadFromBytes("junk\r\n" + kExampleLine + "x,y\r\n"));
  EXPECT_EQ(keys.Count(), 1);  // the good line, as the loader reads it
  EXPECT_TRUE(keys.ReloadFromBytes(""));
  EXPECT_EQ(keys.Count(), 0);
}

TEST(KeyManager, RevisionMovesWithEveryChange) {
  TKeyManager keys;
  uint64_t seen = keys.Revision();
  auto moved = [&] {
    const bool changed = keys.Revision() != seen;
    seen = keys.Revision();
    return changed;
  };
  AddNotepad(keys);
  EXPECT_TRUE(moved());
  keys.Get(0);
  EXPECT_FALSE(moved());
  keys.Edit(0)->SetPath("x");
  EXPECT_TRUE(moved());
  keys.AddCopy(*keys.Get(0));
  EXPECT_TRUE(moved());
  keys.Remove(nullptr);
  EXPECT_FALSE(moved());
  keys.Remove(keys.Get(1));
  EXPECT_TRUE(moved());
  keys.LoadFromBytes(kExampleLine);
  EXPECT_TRUE(moved());
  keys.Clear();
  EXPECT_TRUE(moved());
}

}  // namespace
