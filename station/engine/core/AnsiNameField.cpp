#include "station/engine/core/AnsiNameField.h"

#include <cstring>

size_t CopyAnsiNameField(const char* text, char* field, size_t fieldSize,
                         LeadBytePredicate isLeadByte) {
  if (field == nullptr || fieldSize == 0) {
    return 0;
  }
  std::memset(field, 0, fieldSize);
  if (text == nullptr) {
    return 0;
  }
  const size_t limit = fieldSize - 1;
  size_t used = 0;
  // Walk whole characters: a lead byte always takes its trail byte with it.
  while (text[used] != '\0') {
    size_t width = 1;
    if (isLeadByte != nullptr && isLeadByte(static_cast<unsigned char>(text[used])) &&
        text[used + 1] != '\0') {
      width = 2;
    }
    if (used + width > limit) {
      break;
    }
    used += width;
  }
  std::memcpy(field, text, used);
  return used;
}
