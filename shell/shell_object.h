// TShellObject: the few shell services the program needs (folder dialog, special folders,
// opening files, shortcuts, file-type information). It keeps no state between calls.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

// Shows a message box, with the arguments of MessageBoxA. Tests put a recorder in its place.
using TMessageBoxFunction =
    std::function<int(HWND owner, const char* text, const char* caption, UINT type)>;

class TShellObject {
 public:
  TShellObject();  // messages through MessageBoxA
  explicit TShellObject(TMessageBoxFunction showMessage);

  // The folder the user chose, or empty text when cancelled or not a file-system folder.
  std::string SelectFolder(HWND owner, const std::string& initialFolder,
                           const std::string& title) const;
  // Folder dialog callback: selects the folder path in `data` once the dialog is up.
  static int CALLBACK BrowseCallbackProc(HWND window, UINT message, LPARAM lParam, LPARAM data);

  // The special folder's path without creating it; empty when the shell cannot supply it.
  std::string GetSpecialFolderPath(int csidl) const;
  // The same as GetSpecialFolderPath; the folder is not created whatever `flag` says.
  std::string GetSpecialFolder(int csidl, bool flag) const;

  // Description and icon of a file type from the registry; returns the icon index (-1 when
  // none was found).
  int GetFileTypeInfo(const std::string& extension, std::string& typeName,
                      std::string& iconFile, bool& genericIcon) const;

  // Opens the address in the registered web browser; nothing when there is none.
  void OpenByBrowser(const std::string& address) const;
  void ShowProperty(HWND owner, const std::string& path) const;
  // Opens the file with its default action in its own folder; ShellExecuteA's result (> 32
  // on success).
  int Execute(const std::string& path) const;
  // Saves a shortcut to `target` as `linkFile`; on failure shows "ショートカット作成失敗".
  bool CreateShortcut(const char* linkFile, const char* target) const;

 private:
  TMessageBoxFunction showMessage_;
};
