// Starts programs and opens documents through the shell on a worker thread of its own, so the
// thread that the keyboard hooks post to keeps handling keys however long a start takes (a
// network path that does not answer, a slow association). Starts happen one after another in
// the order they were asked for, and so are the running copies brought forward instead; the
// worker ends when none is waiting.
#pragma once

#include <string>

#include "engine/raise_decision.h"

void StartProgramDetached(const std::string& path, const std::string& arguments,
                          const std::string& workPath,
                          TRunningCopy runningCopy = TRunningCopy::kStartAnother);
