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

}  // namespace
