// Starts a program or opens a document through the shell on a short-lived thread of its own, so
// the thread that the keyboard hooks post to keeps handling keys however long the start takes
// (a network path that does not answer, a slow association).
#pragma once

#include <string>

void StartProgramDetached(const std::string& path, const std::string& arguments,
                          const std::string& workPath);
