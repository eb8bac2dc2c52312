// Helpers shared by the loader fuzz targets.
#pragma once

#include <string>

#include "data/platform.h"

// Whether the text ends in a lead byte with no trail byte after it. No valid Shift-JIS text
// does, and the comma list cannot write such an item back unchanged.
inline bool EndsInLoneLeadByte(const std::string& text) {
  size_t pos = 0;
  while (pos < text.size()) {
    if (platform::IsLeadByte(static_cast<unsigned char>(text[pos]))) {
      if (pos + 1 == text.size()) return true;
      pos += 2;
    } else {
      pos += 1;
    }
  }
  return false;
}
