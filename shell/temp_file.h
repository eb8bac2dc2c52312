// New text files in the user's temporary folder.
#pragma once

#include <string>

// Writes `bytes` to a new file "<prefix>XXXX.txt" in the user's temporary folder, a name no
// other file had, and returns its path; empty (and no file left behind) when it could not be
// written whole. Only the first three characters of `prefix` are used.
std::string WriteNewTempTextFile(const std::string& prefix, const std::string& bytes);
