// The start-up shortcut "Vakro.lnk": kept in the Startup folder exactly while the setting asks
// for it. An existing file is never checked or replaced.
#pragma once

#include <string>

class TShellObject;

// The link's path in `startupFolder`; empty when there is no folder.
std::string StartupLinkPath(const std::string& startupFolder);

// Creates the shortcut to `target` when `startUp` holds and no file is there; removes the file
// when `startUp` does not hold. Nothing happens without a Startup folder.
void AlignStartupShortcut(const std::string& startupFolder, bool startUp,
                          const std::string& target, const TShellObject& shell);
