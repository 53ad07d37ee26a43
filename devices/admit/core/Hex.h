// Lower-case hexadecimal text of byte strings, as the accounts file writes salts and hashes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace admit {

std::string ToHex(const uint8_t* bytes, size_t size);
// Exactly 2 * size hexadecimal digits (either case); false for any other text.
bool FromHex(std::string_view text, uint8_t* bytes, size_t size);

}  // namespace admit
