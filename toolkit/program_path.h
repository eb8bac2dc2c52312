// Where the running program lies.
#pragma once

#include <string>

// The program's full path; empty when the platform cannot say.
std::string ProgramPath();
// The program's folder with its trailing backslash.
std::string ProgramFolder();
