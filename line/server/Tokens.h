// Station tokens: random, shown once, kept only as a hash.
#pragma once

#include <string>

namespace line {

// 32 random bytes from the system's generator as 64 hex digits, prefixed "vxl_".
std::string NewToken();

// SHA-256 of the token as hex. Tokens are long random values, so a plain hash is as good as
// a slow one and a lookup stays one index probe.
std::string TokenHash(const std::string& token);

}  // namespace line
