// Lock-out after wrong passwords: the fifth wrong password in a row locks the user out for
// one minute. Times are seconds since 1970-01-01 UTC, taken from the caller's clock.
#pragma once

#include <cstdint>

#include "Account.h"

namespace admit {

inline constexpr uint32_t kFailuresBeforeLock = 5;
inline constexpr uint64_t kLockSeconds = 60;

// Seconds the account stays locked from `now`; 0 when it is not locked. A lock further in
// the future than one minute (the clock was set back) counts as one minute.
uint64_t LockSecondsLeft(const Account& account, uint64_t now);
// Brings a lock left from a clock that was set back to at most one minute from `now`, so
// that it ends; true when the account changed.
bool ClampLock(Account& account, uint64_t now);
// Counts a wrong password; true when this one locked the account. The count starts again
// after a lock, so each further five wrong passwords lock it again.
bool RecordFailure(Account& account, uint64_t now);
// A right password: the count and any ended lock are cleared.
void RecordSuccess(Account& account);

}  // namespace admit
