#include "ui/startup_shortcut.h"

#include <windows.h>

#include "data/platform.h"
#include "shell/shell_object.h"

std::string StartupLinkPath(const std::string& startupFolder) {
  if (startupFolder.empty()) return {};
  std::string path = startupFolder;
  if (path.back() != '\\') path += '\\';
  return path + "Vakro.lnk";
}

void AlignStartupShortcut(const std::string& startupFolder, bool startUp,
                          const std::string& target, const TShellObject& shell) {
  const std::string link = StartupLinkPath(startupFolder);
  if (link.empty()) return;
  const bool exists = platform::FileExists(link);
  if (startUp && !exists) shell.CreateShortcut(link.c_str(), target.c_str());
  if (!startUp && exists) DeleteFileA(link.c_str());
}
