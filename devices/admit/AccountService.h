// The accounts as the dialogs use them: reads the accounts file, checks a log-on, makes the
// editor's changes. Every reading and every change holds the file's lock (AccountsLock) and
// reads the file afresh under it, so a change is made to the accounts as they are now, not as
// they were when a dialog opened, and two programs never undo each other's change. No window
// here: every problem comes back as a text for the caller to show.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "AccountBook.h"
#include "LogOnGate.h"

namespace admit {

class Secret;

using Clock = std::function<uint64_t()>;
// Seconds since 1970-01-01 UTC from the system clock.
uint64_t SystemSeconds();

enum class Loaded { kOk, kMissing, kBad };

enum class LogOnResult { kFull, kRestricted, kRefused, kLocked, kFailed };

struct LogOnReply {
  LogOnResult result = LogOnResult::kRefused;
  uint64_t lockSeconds = 0;  // kLocked
  std::wstring problem;      // kFailed: why; otherwise a warning (the file could not be written)
};

class AccountService {
 public:
  // `path` empty: the program's path could not be read, so there is no file to use.
  // `newHashIterations`: the PBKDF2 count of new hashes (tests lower it to the minimum).
  explicit AccountService(std::wstring path, Clock clock = SystemSeconds,
                          uint32_t newHashIterations = kDefaultIterations);

  const std::wstring& Path() const { return path_; }
  // Reads the file; after kBad, Problem() names the file and says what is wrong.
  Loaded Load();
  const std::wstring& Problem() const { return problem_; }
  // The accounts as last read or changed.
  const AccountBook& Book() const { return book_; }
  uint64_t Now() const { return clock_(); }

  // Checks a log-on against the accounts as they are now; counts wrong passwords and writes
  // them.
  LogOnReply LogOn(std::string_view name, const Secret& password);

  // The editor's changes and the first account. Each returns an empty text when the change
  // is made and written, else why not (nothing is changed then). The first account is made
  // only while there is no file; then it must have full rights.
  std::wstring AddAccount(std::string_view name, const Secret& password, Rights rights,
                          bool firstAccount = false);
  std::wstring RemoveAccount(std::string_view name);
  std::wstring SetRights(std::string_view name, Rights rights);
  std::wstring SetPassword(std::string_view name, const Secret& password);

 private:
  using Edit = std::function<std::string(AccountBook& book)>;

  // Under the lock: the file as it is now, mended from the journal after an unfinished write.
  Loaded ReadFresh(AccountBook& book, std::wstring& problem);
  // Under the lock: reads afresh, applies `edit` and writes the result.
  std::wstring Change(const Edit& edit);
  std::wstring NewHash(const Secret& password, Salt& salt, Hash& hash);
  std::wstring FileProblem(const std::wstring& what) const;

  std::wstring path_;
  Clock clock_;
  uint32_t newHashIterations_;
  AccountBook book_;
  LogOnGate gate_;
  std::wstring problem_;
};

}  // namespace admit
