// Files held open by another program: loads report false and keep the lists, saves report
// false and keep the old file whole.
#include <gtest/gtest.h>

#include "data/key_manager.h"
#include "data/key_name_manager.h"
#include "data/platform.h"
#include "data/setting.h"
#include "tests/test_support.h"

namespace {

const char kKeyLine[] = "000030,old,A,a.exe,,,false\r\n";
const char kNameLine[] = "000123,old\r\n";
const char kSettings[] = "[Setting]\r\nFontSize=30\r\n";

TEST(LockedFiles, LoadsFailAndKeepTheLists) {
  const std::string folder = ScratchFolder();
  WriteBytes(folder + "keydata.dat", kKeyLine);
  WriteBytes(folder + "keyname.dat", kNameLine);
  TKeyManager keys;
  keys.Add({"000029"}, "kept.exe", "", "", "kept", "Ctrl", false);
  TKeyNameManager names;
  names.Add("000124", "kept");
  {
    ExclusiveOpen keyLock(folder + "keydata.dat");
    ExclusiveOpen nameLock(folder + "keyname.dat");
    ASSERT_TRUE(keyLock.IsOpen() && nameLock.IsOpen());
    EXPECT_FALSE(keys.LoadFromFile(folder + "keydata.dat"));
    EXPECT_FALSE(names.LoadFromFile(folder + "keyname.dat"));
  }
  ASSERT_EQ(keys.Count(), 1);
  EXPECT_EQ(keys.Get(0)->ProgramName(), "kept");
  ASSERT_EQ(names.Count(), 1);
  EXPECT_EQ(names.Get(0)->Name, "kept");
  EXPECT_TRUE(keys.LoadFromFile(folder + "keydata.dat"));
  EXPECT_EQ(keys.Get(0)->ProgramName(), "old");
}

// Locks either the file itself or the temporary the save writes first.
void ExpectLockedSavesFail(bool lockTemporary) {
  const std::string folder = ScratchFolder();
  const std::string keyFile = folder + "keydata.dat";
  const std::string nameFile = folder + "keyname.dat";
  const std::string settingFile = folder + "vakro.dat";
  WriteBytes(keyFile, kKeyLine);
  WriteBytes(nameFile, kNameLine);
  WriteBytes(settingFile, kSettings);
  auto locked = [&](const std::string& file) {
    const std::string target = lockTemporary ? platform::TemporaryNameFor(file) : file;
    if (lockTemporary) WriteBytes(target, "");
    return target;
  };
  TKeyManager keys;
  keys.Add({"000030"}, "new.exe", "", "", "new", "A", true);
  TKeyNameManager names;
  names.Add("000123", "new");
  {
    ExclusiveOpen keyLock(locked(keyFile));
    ExclusiveOpen nameLock(locked(nameFile));
    ExclusiveOpen settingLock(locked(settingFile));
    ASSERT_TRUE(keyLock.IsOpen() && nameLock.IsOpen() && settingLock.IsOpen());
    EXPECT_FALSE(keys.SaveToFile(keyFile));
    EXPECT_FALSE(names.SaveToFile(nameFile));
    EXPECT_FALSE(TSetting().SaveToFile(settingFile));
  }
  EXPECT_EQ(ReadBytes(keyFile), kKeyLine);
  EXPECT_EQ(ReadBytes(nameFile), kNameLine);
  EXPECT_EQ(ReadBytes(settingFile), kSettings);
  if (!lockTemporary) {
    EXPECT_FALSE(platform::FileExists(platform::TemporaryNameFor(keyFile)));
    EXPECT_FALSE(platform::FileExists(platform::TemporaryNameFor(nameFile)));
    EXPECT_FALSE(platform::FileExists(platform::TemporaryNameFor(settingFile)));
  }
  // Once the lock is gone the same saves succeed.
  EXPECT_TRUE(keys.SaveToFile(keyFile));
  EXPECT_TRUE(names.SaveToFile(nameFile));
  EXPECT_TRUE(TSetting().SaveToFile(settingFile));
  EXPECT_EQ(ReadBytes(nameFile), "000123,new\r\n");
}

TEST(LockedFiles, SaveOverALockedFileKeepsIt) { ExpectLockedSavesFail(false); }

TEST(LockedFiles, SaveThroughALockedTemporaryKeepsTheOldFile) { ExpectLockedSavesFail(true); }

}  // namespace
