// The decision of one log-on attempt: is the user locked out, does the password's hash match,
// what rights follow. Hashing is handed in, so the password never reaches this code.
//
// A name without an account is treated like an account that never matches: it is hashed
// as long, counts wrong passwords and locks out the same way (in memory only), and its wrong
// passwords ask for the same write of the file, so the answers (and a warning that the file
// could not be written) never tell whether a user exists while the program runs.
//
// The gate also remembers, for the program's life, the count and lock it gave each name, so
// that reading the file again (another log-on, a file that could not be written) never
// forgets wrong passwords.
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
  bool bookChanged = false;   // the failure count or lock changed (or a wrong password): save
  bool wantsNewHash = false;  // right password, but hashed with fewer than the new-hash count
};

// Hashes the typed password with this salt and iteration count; false when hashing failed.
using PasswordHasher = std::function<bool(const Salt& salt, uint32_t iterations, Hash& hash)>;

class LogOnGate {
 public:
  // `newHashIterations`: the count of new hashes; a right password under a smaller count asks
  // for a new hash, and unknown names are hashed with it.
  explicit LogOnGate(uint32_t newHashIterations = kDefaultIterations)
      : newHashIterations_(newHashIterations) {}

  LogOnOutcome Attempt(AccountBook& book, std::string_view name, uint64_t now,
                       const PasswordHasher& hashOf);
  // A new password was set: what the gate remembers of that user goes.
  void Forget(std::string_view name);

 private:
  Account& Remembered(std::string_view name);

  uint32_t newHashIterations_;
  // Names tried in this program: unknown ones whole, known ones for their count and lock.
  std::vector<Account> remembered_;
};

}  // namespace admit
