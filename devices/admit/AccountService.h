// The accounts as the dialogs use them: loads the accounts file, checks a log-on, makes the
// editor's changes and writes the file after each one. No window here: every problem comes
// back as a text for the caller to show.
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
  explicit AccountService(std::wstring path, Clock clock = SystemSeconds);

  const std::wstring& Path() const { return path_; }
  // Reads the file; after kBad, Problem() names the file and says what is wrong.
  Loaded Load();
  const std::wstring& Problem() const { return problem_; }
  const AccountBook& Book() const { return book_; }
  uint64_t Now() const { return clock_(); }

  // Checks a log-on against the loaded accounts; counts wrong passwords and writes them.
  LogOnReply LogOn(std::string_view name, const Secret& password);

  // The editor's changes and the first account. Each returns an empty text when the change
  // is made and written, else why not (nothing is changed then).
  std::wstring AddAccount(std::string_view name, const Secret& password, Rights rights);
  std::wstring RemoveAccount(std::string_view name);
  std::wstring SetRights(std::string_view name, Rights rights);
  std::wstring SetPassword(std::string_view name, const Secret& password);

 private:
  std::wstring NewHash(const Secret& password, Salt& salt, Hash& hash);
  std::wstring Commit(AccountBook changed);
  std::wstring FileProblem(const std::wstring& what) const;
  std::wstring NotLoaded() const;

  std::wstring path_;
  Clock clock_;
  AccountBook book_;
  LogOnGate gate_;
  std::wstring problem_;
  Loaded state_ = Loaded::kBad;  // nothing is checked or changed before a successful Load
};

}  // namespace admit
