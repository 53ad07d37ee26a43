#include "LogOnGate.h"

#include "ConstantTime.h"
#include "Lockout.h"
#include "UserName.h"

namespace admit {
namespace {

// Enough for any run of mistyped names; the oldest is forgotten first.
constexpr size_t kMaxStrangers = 64;

}  // namespace

Account& LogOnGate::Stranger(std::string_view name) {
  for (Account& stranger : strangers_) {
    if (SameUserName(stranger.name, name)) {
      return stranger;
    }
  }
  if (strangers_.size() >= kMaxStrangers) {
    strangers_.erase(strangers_.begin());
  }
  Account stranger;
  stranger.name = std::string(name);
  strangers_.push_back(stranger);
  return strangers_.back();
}

LogOnOutcome LogOnGate::Attempt(AccountBook& book, std::string_view name, uint64_t now,
                                const PasswordHasher& hashOf) {
  LogOnOutcome outcome;
  Account* account = book.Find(name);
  Account& target = account != nullptr ? *account : Stranger(name);
  outcome.bookChanged = ClampLock(target, now) && account != nullptr;

  outcome.lockSeconds = LockSecondsLeft(target, now);
  if (outcome.lockSeconds > 0) {
    outcome.verdict = Verdict::kLocked;
    return outcome;
  }

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
    outcome.wantsNewHash = account->iterations < kDefaultIterations;
    return outcome;
  }

  outcome.bookChanged = account != nullptr;
  if (RecordFailure(target, now)) {
    outcome.verdict = Verdict::kLocked;
    outcome.lockSeconds = kLockSeconds;
  } else {
    outcome.verdict = Verdict::kRefused;
  }
  return outcome;
}

}  // namespace admit
