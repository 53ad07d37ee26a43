// One operator account as the accounts file keeps it. The password itself is never kept:
// only a random salt and the PBKDF2-HMAC-SHA256 hash of the password under that salt.
#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace admit {

enum class Rights { kFull, kRestricted };

inline constexpr size_t kSaltBytes = 16;
inline constexpr size_t kHashBytes = 32;
// Fewer iterations than this are refused in a file; new hashes use the default. Raising the
// default later upgrades each account at its next successful log-on.
inline constexpr uint32_t kMinIterations = 100000;
inline constexpr uint32_t kDefaultIterations = 600000;
// A file asking for more would make every log-on take minutes.
inline constexpr uint32_t kMaxIterations = 10000000;

// The most accounts one file holds; the editor refuses one more.
inline constexpr size_t kMaxAccounts = 1000;

using Salt = std::array<uint8_t, kSaltBytes>;
using Hash = std::array<uint8_t, kHashBytes>;

struct Account {
  std::string name;  // UTF-8
  Rights rights = Rights::kRestricted;
  uint32_t iterations = kDefaultIterations;
  Salt salt{};
  Hash hash{};
  uint32_t failures = 0;     // wrong passwords in a row
  uint64_t lockedUntil = 0;  // seconds since 1970-01-01 UTC; 0 = not locked
};

}  // namespace admit
