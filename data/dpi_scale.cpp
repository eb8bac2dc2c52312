#include "data/dpi_scale.h"

#include <cstdint>

int TScale::Convert(int value, int from, int to) {
  if (from <= 0) return 0;
  const int64_t product = static_cast<int64_t>(value) * to;
  const int64_t half = from / 2;
  const int64_t rounded = product >= 0 ? (product + half) / from : -((-product + half) / from);
  return static_cast<int>(rounded);
}
