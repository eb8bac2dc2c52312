// The program's version text for the caption, from its own version resource.
#pragma once

#include <string>

// "0.3.0.0" gives "0.3.0": the text up to its last "."; a text without "." stays whole.
std::string WithoutLastVersionPart(const std::string& version);

// FileVersion of the program's first translation, without its last part; empty when the
// resource or a query is missing.
std::string GetFileVersion();
