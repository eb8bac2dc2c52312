// The program's current folder and library search path, kept out of the user's reach: a bare
// program name or a plug-in's dependency must never be found in a folder the user browsed to.
#pragma once

#include <string>

// At start: the current folder leaves the library search path, and becomes the program's own.
void SecureSearchPaths();

// Puts the current folder back as it was when it was made, after a file or folder dialog
// (which leave it where the user browsed).
class TCurrentFolderKeeper {
 public:
  TCurrentFolderKeeper();
  ~TCurrentFolderKeeper();
  TCurrentFolderKeeper(const TCurrentFolderKeeper&) = delete;
  TCurrentFolderKeeper& operator=(const TCurrentFolderKeeper&) = delete;

 private:
  std::string folder_;
};
