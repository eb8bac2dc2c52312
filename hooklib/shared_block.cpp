#include "hooklib/shared_block.h"

#include <cstring>

void StoreFinderText(char (&field)[NL_FIND_FIELD_SIZE], const char* text) {
  const size_t length = text ? strnlen(text, NL_FIND_FIELD_SIZE - 1) : 0;
  memcpy(field, text, length);
  field[length] = '\0';
}
