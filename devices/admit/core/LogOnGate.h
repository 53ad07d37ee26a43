// The decision of one log-on attempt: is the user locked out, does the password's hash match,
// what rights follow. Hashing is handed in, so the password never reaches this code.
//
// A name without an account is treated like an account that never matches: it is hashed
// as long, counts wrong passwords and locks out the same way (in memory only), so the
// answers never tell whether a user exists.
#pragma once

#include <cstdint>
#include <functional>
#include <string_view>
#include <vector>

#include "AccountBook.h"

namespace admit {

enum class Verdict { kFull, kRestricted, kRefused, kLocked, kHashFailed };

struct LogOnOutcome {
  Verdict verdict = Verdict::kRefused;
  uint64_t lockSeconds = 0;   // kLocked: seconds until the user may try again
  bool bookChanged = false;   // the failure count or lock of an account changed: save it
  bool wantsNewHash = false;  // right password, but hashed with fewer than the default iterations
};

// Hashes the typed password with this salt and iteration count; false when hashing failed.
using PasswordHasher = std::function<bool(const Salt& salt, uint32_t iterations, Hash& hash)>;

class LogOnGate {
 public:
  LogOnOutcome Attempt(AccountBook& book, std::string_view name, uint64_t now,
                       const PasswordHasher& hashOf);

 private:
  Account& Stranger(std::string_view name);

  std::vector<Account> strangers_;
};

}  // namespace admit
