#include "tollmark/TextFields.h"

#include <algorithm>
#include <cstring>

size_t BoundedLength(const char* text, size_t limit) {
  size_t length = 0;
  while (length < limit && text[length] != '\0') {
    ++length;
  }
  return length;
}

char AsciiLower(char c) {
  return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

void FillField(uint8_t* field, size_t width, const char* text) {
  std::memset(field, 0, width);
  CopyCut(field, width - 1, text);
}

void CopyCut(uint8_t* field, size_t limit, const char* text) {
  std::memcpy(field, text, BoundedLength(text, limit));
}

bool NameMatches(const uint8_t* slot, size_t width, const char* wanted) {
  const char* stored = reinterpret_cast<const char*>(slot);
  const size_t count = std::max(BoundedLength(stored, width), BoundedLength(wanted, width));
  for (size_t i = 0; i < count; ++i) {
    if (AsciiLower(stored[i]) != AsciiLower(wanted[i])) {
      return false;
    }
    if (stored[i] == '\0') {
      return true;  // both ended here; nothing after a NUL is compared
    }
  }
  return true;
}

bool StartsWithNull(const char* text) {
  static const char kNull[] = "null";
  for (size_t i = 0; i < 4; ++i) {
    if (AsciiLower(text[i]) != kNull[i]) {
      return false;  // also stops at a NUL before the fourth character
    }
  }
  return true;
}
