#include "Lockout.h"

namespace admit {

uint64_t LockSecondsLeft(const Account& account, uint64_t now) {
  if (account.lockedUntil <= now) {
    return 0;
  }
  uint64_t left = account.lockedUntil - now;
  return left > kLockSeconds ? kLockSeconds : left;
}

bool ClampLock(Account& account, uint64_t now) {
  if (account.lockedUntil > now + kLockSeconds) {
    account.lockedUntil = now + kLockSeconds;
    return true;
  }
  return false;
}

bool RecordFailure(Account& account, uint64_t now) {
  if (account.failures + 1 < kFailuresBeforeLock) {
    ++account.failures;
    return false;
  }
  account.failures = 0;
  account.lockedUntil = now + kLockSeconds;
  return true;
}

void RecordSuccess(Account& account) {
  account.failures = 0;
  account.lockedUntil = 0;
}

}  // namespace admit
