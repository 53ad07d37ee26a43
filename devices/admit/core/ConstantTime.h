// Comparison of secrets whose running time does not depend on where they differ.
#pragma once

#include <cstddef>
#include <cstdint>

namespace admit {

bool EqualInConstantTime(const uint8_t* a, const uint8_t* b, size_t size);

}  // namespace admit
