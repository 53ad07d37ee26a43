#include "Hex.h"

namespace admit {
namespace {

int DigitValue(char c) {
  if (c >= '0' && c <= '9') {
    return c - '0';
  }
  if (c >= 'a' && c <= 'f') {
    return c - 'a' + 10;
  }
  if (c >= 'A' && c <= 'F') {
    return c - 'A' + 10;
  }
  return -1;
}

}  // namespace

std::string ToHex(const uint8_t* bytes, size_t size) {
  static constexpr char kDigits[] = "0123456789abcdef";
  std::string text;
  text.reserve(size * 2);
  for (size_t i = 0; i < size; ++i) {
    text += kDigits[bytes[i] >> 4];
    text += kDigits[bytes[i] & 0x0F];
  }
  return text;
}

bool FromHex(std::string_view text, uint8_t* bytes, size_t size) {
  if (text.size() != size * 2) {
    return false;
  }
  for (size_t i = 0; i < size; ++i) {
    int high = DigitValue(text[2 * i]);
    int low = DigitValue(text[2 * i + 1]);
    if (high < 0 || low < 0) {
      return false;
    }
    bytes[i] = static_cast<uint8_t>(high << 4 | low);
  }
  return true;
}

}  // namespace admit
