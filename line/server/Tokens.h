// Tokens of stations and readers and the cookies of viewers' sessions: random, shown once, kept
// only as a hash.
#pragma once

#include <string>

namespace line {

// 32 random bytes from the system's generator as 64 hex digits, prefixed "vxl_".
std::string NewToken();

// SHA-256 of the token as hex. Tokens are long random values, so a plain hash is as good as
// a slow one and a lookup stays one index probe.
std::string TokenHash(const std::string& token);

// How `token list` names a token and `token remove` finds it: the first 8 hex digits of its hash.
std::string TokenId(const std::string& hash);

}  // namespace line
