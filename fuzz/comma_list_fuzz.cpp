// Decoding any bytes as a comma list never crashes, and what it decodes encodes and decodes
// back to the same items, unless an item ends in a lone lead byte (which no valid Shift-JIS
// text does, and which the format cannot quote).
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "data/comma_list.h"
#include "fuzz/fuzz_support.h"


extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string_view line(reinterpret_cast<const char*>(data), size);
  TTextList items = DecodeCommaList(line);
  for (const std::string& item : items)
    if (EndsInLoneLeadByte(item)) return 0;
  if (DecodeCommaList(EncodeCommaList(items)) != items) std::abort();
  return 0;
}
