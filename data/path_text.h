// The folder part of a path, by the rules of ANSI (Shift-JIS) text.
#pragma once

#include <string>

// The part of `path` up to and including its last backslash or colon; empty when it has
// neither. A backslash that is the trail byte of a double-byte character does not count.
std::string FolderPartOf(const std::string& path);

// The folder of `path` without its trailing backslash, kept only for a root ("C:\", "\").
std::string FolderOf(const std::string& path);
