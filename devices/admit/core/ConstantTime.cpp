#include "ConstantTime.h"

namespace admit {

bool EqualInConstantTime(const uint8_t* a, const uint8_t* b, size_t size) {
  // Every byte is looked at; volatile keeps the compiler from stopping at the first difference.
  volatile uint8_t difference = 0;
  for (size_t i = 0; i < size; ++i) {
    difference = static_cast<uint8_t>(difference | (a[i] ^ b[i]));
  }
  return difference == 0;
}

}  // namespace admit
