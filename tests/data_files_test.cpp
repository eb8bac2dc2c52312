#include <gtest/gtest.h>

#include <filesystem>

#include "data/data_files.h"
#include "data/platform.h"
#include "tests/test_support.h"

namespace {

// One data file whose load succeeds or fails as the test says, and whose save writes `next`.
struct FakeFile {
  bool readable = true;
  std::string next = "new";
  int saves = 0;

  TDataFiles Files(const std::string& folder) {
    return TDataFiles(folder, {{"keydata.dat", "load failed", "save failed",
                                [this](const std::string&) { return readable; },
                                [this](const std::string& path) {
                                  ++saves;
                                  return platform::ReplaceFileBytes(path, next);
                                }}});
  }
};

TEST(DataFiles, FileUnreadableAtStartIsKeptAsBakBeforeTheFirstSave) {
  const std::string folder = ScratchFolder();
  WriteBytes(folder + "keydata.dat", "old");
  FakeFile file{false};
  TDataFiles files = file.Files(folder);
  EXPECT_FALSE(files.Load(kKeyFile));
  EXPECT_TRUE(files.Save(kKeyFile));
  EXPECT_EQ(ReadBytes(folder + "keydata.dat.bak"), "old");
  EXPECT_EQ(ReadBytes(folder + "keydata.dat"), "new");
  // Once saved over, the file is the program's own: a later save leaves the copy alone.
  file.next = "newer";
  EXPECT_TRUE(files.Save(kKeyFile));
  EXPECT_EQ(ReadBytes(folder + "keydata.dat.bak"), "old");
}

TEST(DataFiles, NoBakForAFileReadOrMissingAtStart) {
  for (bool exists : {true, false}) {
    const std::string folder = ScratchFolder();
    if (exists) WriteBytes(folder + "keydata.dat", "old");
    FakeFile file{exists};
    TDataFiles files = file.Files(folder);
    EXPECT_EQ(files.Load(kKeyFile), exists);
    EXPECT_TRUE(files.Save(kKeyFile));
    EXPECT_FALSE(platform::FileExists(folder + "keydata.dat.bak")) << exists;
  }
}

TEST(DataFiles, SaveFailsAndKeepsTheFileWhenNoBakCanBeMade) {
  const std::string folder = ScratchFolder();
  WriteBytes(folder + "keydata.dat", "old");
  std::filesystem::create_directory(folder + "keydata.dat.bak");  // no file can be made there
  FakeFile file{false};
  TDataFiles files = file.Files(folder);
  files.Load(kKeyFile);
  EXPECT_FALSE(files.Save(kKeyFile));
  EXPECT_EQ(file.saves, 0);
  EXPECT_EQ(ReadBytes(folder + "keydata.dat"), "old");
  // Still unread: once a copy can be made, the next save makes it first.
  std::filesystem::remove(folder + "keydata.dat.bak");
  EXPECT_TRUE(files.Save(kKeyFile));
  EXPECT_EQ(ReadBytes(folder + "keydata.dat.bak"), "old");
  EXPECT_EQ(files.SaveError(kKeyFile), std::string("save failed"));
}

// A store of lines that refuses a reload of bytes without any line, as the assignments do.
struct LinesStore {
  std::string lines;
  int reloads = 0;
  bool LoadFromFile(const std::string& path) { return ReadIfThere(path); }
  bool SaveToFile(const std::string& path) const { return platform::ReplaceFileBytes(path, lines); }
  bool ReloadFromBytes(const std::string& bytes) {
    if (bytes.find("\r\n") == std::string::npos && !bytes.empty()) return false;
    ++reloads;
    lines = bytes;
    return true;
  }
  bool ReadIfThere(const std::string& path) {
    return !platform::FileExists(path) || platform::ReadFileBytes(path, lines);
  }
};

struct Watched {
  std::string folder = ScratchFolder();
  LinesStore store;
  TDataFiles files{folder, {DataFileOf("keydata.dat", "load failed", "save failed", store)}};
  std::string Path() const { return folder + "keydata.dat"; }
};

TEST(DataFiles, OwnSavesAreNoChangeAndAnEditElsewhereIsTakenIn) {
  Watched w;
  WriteBytes(w.Path(), "a\r\n");
  ASSERT_TRUE(w.files.Load(kKeyFile));
  EXPECT_EQ(w.files.Examine(kKeyFile, true), TDiskChange::kNone);
  w.store.lines = "a\r\nb\r\n";
  ASSERT_TRUE(w.files.Save(kKeyFile));
  EXPECT_EQ(w.files.Examine(kKeyFile, true), TDiskChange::kNone);
  EXPECT_EQ(w.store.reloads, 0);

  WriteBytes(w.Path(), "a\r\nb\r\nc\r\n");  // an editor appends a line
  EXPECT_EQ(w.files.Examine(kKeyFile, true), TDiskChange::kReloaded);
  EXPECT_EQ(w.store.lines, "a\r\nb\r\nc\r\n");
  EXPECT_EQ(w.files.Examine(kKeyFile, true), TDiskChange::kNone);  // seen once only
  // The edit was not the program's: it is kept as ".bak" before the program saves over it,
  // once; no ".bak" follows the program's own saves.
  w.store.lines = "d\r\n";
  ASSERT_TRUE(w.files.Save(kKeyFile));
  EXPECT_EQ(ReadBytes(w.Path() + ".bak"), "a\r\nb\r\nc\r\n");
  std::filesystem::remove(w.Path() + ".bak");
  ASSERT_TRUE(w.files.Save(kKeyFile));
  EXPECT_FALSE(platform::FileExists(w.Path() + ".bak"));
}

// Junk keeps what is in memory; the file is looked at again only when it changes next, and its
// content survives as ".bak" when the program saves.
TEST(DataFiles, JunkOrAGoneFileKeepsMemory) {
  Watched w;
  WriteBytes(w.Path(), "a\r\n");
  ASSERT_TRUE(w.files.Load(kKeyFile));
  WriteBytes(w.Path(), "junk");
  EXPECT_EQ(w.files.Examine(kKeyFile, true), TDiskChange::kKept);
  EXPECT_EQ(w.store.lines, "a\r\n");
  EXPECT_EQ(w.files.Examine(kKeyFile, true), TDiskChange::kNone);
  WriteBytes(w.Path(), "fixed\r\n");
  EXPECT_EQ(w.files.Examine(kKeyFile, true), TDiskChange::kReloaded);
  WriteBytes(w.Path(), "junk again");
  EXPECT_EQ(w.files.Examine(kKeyFile, true), TDiskChange::kKept);
  std::filesystem::remove(w.Path());
  EXPECT_EQ(w.files.Examine(kKeyFile, true), TDiskChange::kNone);
  WriteBytes(w.Path(), "junk again");
  ASSERT_TRUE(w.files.Save(kKeyFile));
  EXPECT_EQ(ReadBytes(w.Path() + ".bak"), "junk again");
  EXPECT_EQ(ReadBytes(w.Path()), "fixed\r\n");
}

// While the settings window is open an edit on disk is only noted: the program's save then
// keeps it as ".bak" first, so neither side's edit is lost.
TEST(DataFiles, EditNotedWhileEditingSurvivesAsBak) {
  Watched w;
  ASSERT_TRUE(w.files.Load(kKeyFile));  // no file yet
  WriteBytes(w.Path(), "theirs\r\n");
  EXPECT_EQ(w.files.Examine(kKeyFile, false), TDiskChange::kNoted);
  EXPECT_EQ(w.store.reloads, 0);
  EXPECT_EQ(w.files.Examine(kKeyFile, true), TDiskChange::kNone);  // the same content, noted
  w.store.lines = "mine\r\n";
  ASSERT_TRUE(w.files.Save(kKeyFile));
  EXPECT_EQ(ReadBytes(w.Path() + ".bak"), "theirs\r\n");
  EXPECT_EQ(ReadBytes(w.Path()), "mine\r\n");
}

}  // namespace
