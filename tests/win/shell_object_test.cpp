#include <windows.h>
#include <objidl.h>
#include <shlguid.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "shell/shell_object.h"
#include "tests/test_support.h"
#include "tests/win/window_watch.h"
#include "toolkit/handles.h"

namespace {

const char kChildReportVariable[] = "VAKRO_SHELL_TEST_CHILD_REPORT";

// Started by the Execute test: this program then only writes its working folder to the file
// the variable names and ends, before any test runs.
const bool kIsChild = [] {
  char report[MAX_PATH] = {};
  DWORD length = GetEnvironmentVariableA(kChildReportVariable, report, sizeof report);
  if (length == 0 || length >= sizeof report) return false;
  char folder[MAX_PATH] = {};
  GetCurrentDirectoryA(sizeof folder, folder);
  WriteBytes(report, folder);
  ExitProcess(0);
}();

std::string ThisProgram() {
  char path[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, path, sizeof path);
  return path;
}

std::string Unique(const char* stem) {
  return std::string(stem) + std::to_string(GetCurrentProcessId());
}

// File-type keys of the test's own under HKEY_CLASSES_ROOT, removed again at the end.
class ClassesRootKeys {
 public:
  ~ClassesRootKeys() {
    for (auto key = created_.rbegin(); key != created_.rend(); ++key)
      RegDeleteKeyA(HKEY_CLASSES_ROOT, key->c_str());
  }
  void Set(const std::string& name, const std::string& defaultValue) {
    HKEY key;
    DWORD disposition = 0;
    ASSERT_EQ(RegCreateKeyExA(HKEY_CLASSES_ROOT, name.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS,
                              nullptr, &key, &disposition),
              ERROR_SUCCESS);
    if (disposition == REG_CREATED_NEW_KEY) created_.push_back(name);
    RegSetValueExA(key, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(defaultValue.c_str()),
                   static_cast<DWORD>(defaultValue.size() + 1));
    RegCloseKey(key);
  }

 private:
  std::vector<std::string> created_;
};

bool KeyExists(const std::string& name) {
  HKEY key;
  if (RegOpenKeyExA(HKEY_CLASSES_ROOT, name.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
    return false;
  RegCloseKey(key);
  return true;
}

struct FileType {
  int iconIndex;
  std::string typeName, iconFile;
  bool genericIcon;
};

FileType LookUp(const std::string& extension) {
  FileType result;
  result.iconIndex = TShellObject().GetFileTypeInfo(extension, result.typeName, result.iconFile,
                                                    result.genericIcon);
  return result;
}

TEST(ShellFileType, ReadsOwnClassWithAndWithoutDot) {
  const std::string extension = Unique("vkt");
  const std::string className = extension + "_file";
  ClassesRootKeys keys;
  keys.Set("." + extension, className);
  keys.Set(className, "Vakro テスト形式");
  keys.Set(className + "\\DefaultIcon", "\"%SystemRoot%\\x%VAKRO_NO_SUCH_VARIABLE%y.dll\",4");
  char systemRoot[MAX_PATH] = {};
  ASSERT_GT(GetEnvironmentVariableA("SystemRoot", systemRoot, sizeof systemRoot), 0u);

  for (const std::string& written : {extension, "." + extension}) {
    FileType type = LookUp(written);
    EXPECT_EQ(type.typeName, "Vakro テスト形式") << written;
    EXPECT_EQ(type.iconFile, std::string(systemRoot) + "\\xy.dll") << written;
    EXPECT_EQ(type.iconIndex, 4) << written;
    EXPECT_FALSE(type.genericIcon) << written;
  }
  EXPECT_EQ(LookUp(Unique("vkt_missing")).iconIndex, -1);
}

TEST(ShellFileType, IconPathWithoutCommaAsksForGenericIcon) {
  const std::string extension = Unique("vkp");
  const std::string className = extension + "_file";
  ClassesRootKeys keys;
  keys.Set("." + extension, className);
  keys.Set(className, "Program");
  keys.Set(className + "\\DefaultIcon", "C:\\tools\\viewer.exe");

  FileType type = LookUp(extension);
  EXPECT_TRUE(type.genericIcon);
  EXPECT_EQ(type.typeName, "Program");
  if (KeyExists("comfile\\DefaultIcon")) return;  // then the generic icon fills the fields
  EXPECT_EQ(type.iconFile, "");
  EXPECT_EQ(type.iconIndex, -1);
}

TEST(ShellFileType, DirectoryDescribesItsClass) {
  ClassesRootKeys keys;
  if (!KeyExists("Directory")) {
    keys.Set("Directory", "ファイル フォルダー");
    keys.Set("Directory\\DefaultIcon", "shell32.dll,3");
  }
  HKEY key;
  ASSERT_EQ(RegOpenKeyExA(HKEY_CLASSES_ROOT, "Directory", 0, KEY_READ, &key), ERROR_SUCCESS);
  char expected[MAX_PATH] = {};
  LONG size = sizeof expected;
  RegQueryValueA(key, nullptr, expected, &size);
  RegCloseKey(key);

  FileType type = LookUp("<dir>");
  EXPECT_EQ(type.typeName, expected);
  EXPECT_FALSE(KeyExists("<dir>"));
}

TEST(ShellSpecialFolders, ApplicationDataAndStartupInTheProfile) {
  TShellObject shell;
  const std::string appData = shell.GetSpecialFolderPath(CSIDL_APPDATA);
  ASSERT_GT(appData.size(), 3u);
  EXPECT_EQ(appData.substr(1, 2), ":\\");
  EXPECT_NE(GetFileAttributesA(appData.c_str()), INVALID_FILE_ATTRIBUTES);
  const std::string startup = shell.GetSpecialFolderPath(CSIDL_STARTUP);
  EXPECT_EQ(startup.rfind(appData + "\\", 0), 0u) << startup;
  EXPECT_EQ(shell.GetSpecialFolder(CSIDL_STARTUP, true), startup);
}

// Opens the folder dialog on `initialFolder` and presses a button of it once it shows. (No time
// limit: on a busy machine the first folder dialog of a new prefix takes long.)
std::string SelectFolderAndPress(const std::string& initialFolder, int button) {
  const TWindowShownWatch presser("#32770", "", [button](HWND dialog) {
    PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED), 0);
  });
  std::string chosen = TShellObject().SelectFolder(nullptr, initialFolder, "作業フォルダ");
  EXPECT_TRUE(presser.Fired()) << "no folder dialog appeared";
  return chosen;
}

// Folders that exist from the prefix's first start; a folder made moments before is not always
// found in time by Wine's folder tree.
TEST(ShellFolderDialog, OpensOnInitialFolderAndCancelGivesEmptyText) {
  char windowsFolder[MAX_PATH] = {};
  ASSERT_GT(GetWindowsDirectoryA(windowsFolder, sizeof windowsFolder), 0u);
  const std::string appData = TShellObject().GetSpecialFolderPath(CSIDL_APPDATA);
  for (const std::string& initialFolder : {std::string(windowsFolder), appData}) {
    const std::string chosen = SelectFolderAndPress(initialFolder, IDOK);
    EXPECT_EQ(lstrcmpiA(chosen.c_str(), initialFolder.c_str()), 0) << chosen;
  }
  EXPECT_EQ(SelectFolderAndPress(windowsFolder, IDCANCEL), "");
}

TEST(ShellRun, StartsProgramInItsOwnFolder) {
  const std::string report = ScratchFolder() + "child.txt";
  SetEnvironmentVariableA(kChildReportVariable, report.c_str());
  const int result = TShellObject().Execute(ThisProgram());
  SetEnvironmentVariableA(kChildReportVariable, nullptr);
  ASSERT_GT(result, 32);

  // Each change of the folder wakes the wait; the child writes its report in one go.
  const TChangeNotification change(FindFirstChangeNotificationA(ScratchFolder().c_str(), FALSE,
                                                    FILE_NOTIFY_CHANGE_FILE_NAME | FILE_NOTIFY_CHANGE_SIZE));
  const DWORD start = GetTickCount();
  while (ReadBytes(report).empty() && GetTickCount() - start < 30000) {
    WaitForSingleObject(change.Get(), 30000 - (GetTickCount() - start));
    FindNextChangeNotification(change.Get());
  }
  std::string folder = ThisProgram();
  folder.erase(folder.rfind('\\'));
  EXPECT_EQ(lstrcmpiA(ReadBytes(report).c_str(), folder.c_str()), 0)
      << ReadBytes(report) << " / " << folder;
}

struct ShownMessage {
  HWND owner;
  std::string text, caption;
  UINT type;
};

class ShellShortcut : public testing::Test {
 protected:
  TShellObject shell{[this](HWND owner, const char* text, const char* caption, UINT type) {
    shown.push_back({owner, text, caption, type});
    return IDOK;
  }};
  std::vector<ShownMessage> shown;

  void ExpectOneFailureMessage() {
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].owner, nullptr);
    EXPECT_EQ(shown[0].text, "ショートカット作成失敗");
    EXPECT_EQ(shown[0].caption, "エラー");
    EXPECT_EQ(shown[0].type, static_cast<UINT>(MB_ICONERROR));
  }

  // The thread must leave COM as it found it: uninitialised, so any apartment may start.
  static void ExpectComUninitialised() {
    const HRESULT result = CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    EXPECT_EQ(result, S_OK);
    if (SUCCEEDED(result)) CoUninitialize();
  }
};

std::string ShortcutTarget(const std::string& linkFile) {
  CoInitialize(nullptr);
  std::string target;
  IShellLinkA* link = nullptr;
  if (SUCCEEDED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                 reinterpret_cast<void**>(&link)))) {
    IPersistFile* file = nullptr;
    wchar_t wide[MAX_PATH] = {};
    MultiByteToWideChar(CP_ACP, 0, linkFile.c_str(), -1, wide, MAX_PATH);
    if (SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file))) &&
        SUCCEEDED(file->Load(wide, STGM_READ))) {
      char path[MAX_PATH] = {};
      if (SUCCEEDED(link->GetPath(path, sizeof path, nullptr, 0))) target = path;
    }
    if (file) file->Release();
    link->Release();
  }
  CoUninitialize();
  return target;
}

TEST_F(ShellShortcut, SavedLinkReadsBackToTarget) {
  const std::string linkFile = ScratchFolder() + "Vakro.lnk";
  ASSERT_TRUE(shell.CreateShortcut(linkFile.c_str(), ThisProgram().c_str()));
  EXPECT_TRUE(shown.empty());
  ExpectComUninitialised();
  EXPECT_EQ(lstrcmpiA(ShortcutTarget(linkFile).c_str(), ThisProgram().c_str()), 0)
      << ShortcutTarget(linkFile);
}

TEST_F(ShellShortcut, OverlongLinkNameFailsWithMessage) {
  const std::string linkFile = ScratchFolder() + std::string(300, 'v') + ".lnk";
  EXPECT_FALSE(shell.CreateShortcut(linkFile.c_str(), ThisProgram().c_str()));
  ExpectOneFailureMessage();
  ExpectComUninitialised();
}

TEST_F(ShellShortcut, UnsavableLinkFailsWithMessage) {
  const std::string linkFile = ScratchFolder() + "missing\\folder\\Vakro.lnk";
  EXPECT_FALSE(shell.CreateShortcut(linkFile.c_str(), ThisProgram().c_str()));
  ExpectOneFailureMessage();
  ExpectComUninitialised();
  EXPECT_EQ(GetFileAttributesA(linkFile.c_str()), INVALID_FILE_ATTRIBUTES);
}

}  // namespace
