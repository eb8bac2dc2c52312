#include "shell/shell_object.h"

#include <objidl.h>
#include <shlguid.h>
#include <shlobj.h>
#include <shellapi.h>

#include <utility>

#include "data/path_text.h"
#include "shell/shell_text.h"
#include "toolkit/current_folder.h"
#include "toolkit/handles.h"
#include "toolkit/program_path.h"

namespace {

const char kBrowserCommandKey[] = "htmlfile\\shell\\open\\command";

// The unnamed value of an open key as text; empty when absent or not text.
std::string ReadDefaultValue(HKEY key) {
  for (int attempt = 0; attempt < 4; ++attempt) {
    DWORD type = 0;
    DWORD size = 0;
    if (RegQueryValueExA(key, nullptr, nullptr, &type, nullptr, &size) != ERROR_SUCCESS) return {};
    if (type != REG_SZ && type != REG_EXPAND_SZ) return {};
    std::string value(size, '\0');
    LONG read = RegQueryValueExA(key, nullptr, nullptr, &type,
                                 reinterpret_cast<BYTE*>(value.data()), &size);
    if (read == ERROR_MORE_DATA) continue;  // the value grew meanwhile
    if (read != ERROR_SUCCESS) return {};
    value.resize(size);
    return value.substr(0, value.find('\0'));
  }
  return {};
}

// Reads only, so it works for users who may not write the machine-wide file types.
bool ReadClassesRootDefault(const std::string& keyName, std::string& value) {
  TRegistryKey key;
  if (RegOpenKeyExA(HKEY_CLASSES_ROOT, keyName.c_str(), 0, KEY_READ, key.Out()) != ERROR_SUCCESS)
    return false;
  value = ReadDefaultValue(key.Get());
  return true;
}

bool ReadEnvironmentVariable(const std::string& name, std::string& value) {
  DWORD needed = GetEnvironmentVariableA(name.c_str(), nullptr, 0);
  if (needed == 0) return false;
  std::string buffer(needed, '\0');
  DWORD length = GetEnvironmentVariableA(name.c_str(), buffer.data(), needed);
  if (length == 0 || length >= needed) return false;
  buffer.resize(length);
  value = std::move(buffer);
  return true;
}

bool SaveShellLink(const wchar_t* linkFile, const char* target) {
  TComRef<IShellLinkA> link;
  if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                              link.OutVoid())))
    return false;
  link->SetPath(target);
  TComRef<IPersistFile> file;
  if (FAILED(link->QueryInterface(IID_IPersistFile, file.OutVoid()))) return false;
  return SUCCEEDED(file->Save(linkFile, TRUE));
}

}  // namespace

TShellObject::TShellObject()
    : showMessage_([](HWND owner, const char* text, const char* caption, UINT type) {
        return MessageBoxA(owner, text, caption, type);
      }) {}

TShellObject::TShellObject(TMessageBoxFunction showMessage)
    : showMessage_(std::move(showMessage)) {}

std::string TShellObject::SelectFolder(HWND owner, const std::string& initialFolder,
                                       const std::string& title) const {
  char displayName[MAX_PATH] = {};
  BROWSEINFOA info = {};
  info.hwndOwner = owner;
  info.pszDisplayName = displayName;
  info.lpszTitle = title.c_str();
  info.ulFlags = BIF_RETURNONLYFSDIRS | BIF_DONTGOBELOWDOMAIN;
  info.lpfn = BrowseCallbackProc;
  info.lParam = reinterpret_cast<LPARAM>(initialFolder.c_str());
  info.iImage = 0;
  const TCurrentFolderKeeper keeper;
  const TTaskMemory<LPITEMIDLIST> items(SHBrowseForFolderA(&info));
  if (!items) return {};
  char path[MAX_PATH] = {};
  if (!SHGetPathFromIDListA(items.Get(), path)) return {};
  return path;
}

int CALLBACK TShellObject::BrowseCallbackProc(HWND window, UINT message, LPARAM, LPARAM data) {
  if (message == BFFM_INITIALIZED) SendMessageA(window, BFFM_SETSELECTIONA, TRUE, data);
  return 0;
}

std::string TShellObject::GetSpecialFolderPath(int csidl) const {
  char path[MAX_PATH] = {};
  if (!SHGetSpecialFolderPathA(nullptr, path, csidl, FALSE)) return {};
  path[MAX_PATH - 1] = '\0';
  return path;
}

std::string TShellObject::GetSpecialFolder(int csidl, bool) const {
  return GetSpecialFolderPath(csidl);
}

int TShellObject::GetFileTypeInfo(const std::string& extension, std::string& typeName,
                                  std::string& iconFile, bool& genericIcon) const {
  TFileTypeInfo info = LookUpFileType(extension, ReadClassesRootDefault, ReadEnvironmentVariable);
  typeName = info.typeName;
  iconFile = info.iconFile;
  genericIcon = info.genericIcon;
  return info.iconIndex;
}

void TShellObject::OpenByBrowser(const std::string& address) const {
  std::string command;
  if (!ReadClassesRootDefault(kBrowserCommandKey, command)) return;
  const std::string program = BrowserProgramOf(command);
  if (program.empty()) return;
  const std::string folder = FolderOf(ProgramPath());
  ShellExecuteA(nullptr, "open", program.c_str(), address.c_str(), folder.c_str(),
                SW_SHOWNORMAL);
}

void TShellObject::ShowProperty(HWND owner, const std::string& path) const {
  SHELLEXECUTEINFOA info = {};
  info.cbSize = sizeof info;
  info.fMask = SEE_MASK_INVOKEIDLIST | SEE_MASK_NOCLOSEPROCESS | SEE_MASK_FLAG_NO_UI;
  info.hwnd = owner;
  info.lpVerb = "Properties";
  info.lpFile = path.c_str();
  info.nShow = SW_SHOWNORMAL;
  ShellExecuteExA(&info);
  const THandle process(info.hProcess);
}

int TShellObject::Execute(const std::string& path) const {
  const std::string folder = FolderPartOf(path);
  HINSTANCE result =
      ShellExecuteA(nullptr, nullptr, path.c_str(), nullptr, folder.c_str(), SW_SHOWNORMAL);
  return static_cast<int>(reinterpret_cast<INT_PTR>(result));
}

bool TShellObject::CreateShortcut(const char* linkFile, const char* target) const {
  // A link name longer than the wide buffer fails the conversion and so the whole call.
  wchar_t wideLinkFile[MAX_PATH];
  bool saved = linkFile && target &&
               MultiByteToWideChar(CP_ACP, MB_PRECOMPOSED, linkFile, -1, wideLinkFile,
                                   MAX_PATH) != 0;
  if (saved) {
    const TComApartment com;
    saved = SaveShellLink(wideLinkFile, target);
  }
  if (!saved) showMessage_(nullptr, "ショートカット作成失敗", "エラー", MB_ICONERROR);
  return saved;
}
