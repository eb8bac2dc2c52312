// Helpers shared by the unit tests: scratch folders and whole-file reads and writes.
#pragma once

#include <string>

// A fresh, empty folder for one test, ending in a path separator; removed at process exit.
std::string ScratchFolder();

std::string ReadBytes(const std::string& path);
void WriteBytes(const std::string& path, const std::string& bytes);
