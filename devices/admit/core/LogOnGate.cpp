#include "LogOnGate.h"

#include "ConstantTime.h"
#include "Lockout.h"
#include "UserName.h"

namespace admit {
namespace {

// Enough for any run of mistyped names; the oldest is forgotten first.
constexpr size_t kMaxRemembered = 64;

// The later of two states of one user's count: a later lock wins, else the higher count. The
// file may be behind (it could not be written) or ahead (another program counted).
void TakeLater(Account& into, const Account& other) {
  if (other.lockedUntil > into.lockedUntil) {
    into.failures = other.failures;
    into.lockedUntil = other.lockedUntil;
  } else if (other.lockedUntil == into.lockedUntil && other.failures > into.failures) {
    into.failures = other.failures;
  }
}

}  // namespace

Account& LogOnGate::Remembered(std::string_view name) {
  for (Account& entry : remembered_) {
    if (SameUserName(entry.name, name)) {
      return entry;
    }
  }
  if (remembered_.size() >= kMaxRemembered) {
    remembered_.erase(remembered_.begin());
  }
  Account entry;
  entry.name = std::string(name);
  entry.iterations = newHashIterations_;
  remembered_.push_back(entry);
  return remembered_.back();
}

void LogOnGate::Forget(std::string_view name) {
  for (auto it = remembered_.begin(); it != remembered_.end(); ++it) {
    if (SameUserName(it->name, name)) {
      remembered_.erase(it);
      return;
    }
  }
}

LogOnOutcome LogOnGate::Attempt(AccountBook& book, std::string_view name, uint64_t now,
                                const PasswordHasher& hashOf) {
  LogOnOutcome outcome;
  Account& memory = Remembered(name);
  Account* account = book.Find(name);
  Account& target = account != nullptr ? *account : memory;
  if (account != nullptr) {
    const uint32_t failures = account->failures;
    const uint64_t lockedUntil = account->lockedUntil;
    TakeLater(*account, memory);
    outcome.bookChanged = account->failures != failures || account->lockedUntil != lockedUntil;
  }
  outcome.bookChanged = (ClampLock(target, now) && account != nullptr) || outcome.bookChanged;

  outcome.lockSeconds = LockSecondsLeft(target, now);
  if (outcome.lockSeconds > 0) {
    outcome.verdict = Verdict::kLocked;
  } else {
    Hash typed{};
    if (!hashOf(target.salt, target.iterations, typed)) {
      outcome.verdict = Verdict::kHashFailed;
      return outcome;
    }
    if (account != nullptr && EqualInConstantTime(typed.data(), account->hash.data(), kHashBytes)) {
      outcome.bookChanged =
          outcome.bookChanged || account->failures != 0 || account->lockedUntil != 0;
      RecordSuccess(*account);
      outcome.verdict = account->rights == Rights::kFull ? Verdict::kFull : Verdict::kRestricted;
      outcome.wantsNewHash = account->iterations < newHashIterations_;
    } else {
      // Known or not, a wrong password is written, so both take as long and warn alike.
      outcome.bookChanged = true;
      if (RecordFailure(target, now)) {
        outcome.verdict = Verdict::kLocked;
        outcome.lockSeconds = kLockSeconds;
      } else {
        outcome.verdict = Verdict::kRefused;
      }
    }
  }
  if (account != nullptr) {
    memory.failures = account->failures;
    memory.lockedUntil = account->lockedUntil;
  }
  return outcome;
}

}  // namespace admit
