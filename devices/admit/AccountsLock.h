// The lock every program takes around reading or changing one accounts file: a named mutex of
// the file's folder, seen by all sessions, so that two programs never undo each other's change
// and never read a file another one is writing.
#pragma once

#include <string>

#include <windows.h>

namespace admit {

class AccountsLock {
 public:
  // Waits at most `waitMs` for the lock of the folder holding `accountsPath`.
  explicit AccountsLock(const std::wstring& accountsPath, DWORD waitMs = 30000);
  ~AccountsLock();
  AccountsLock(const AccountsLock&) = delete;
  AccountsLock& operator=(const AccountsLock&) = delete;

  bool Held() const { return held_; }
  // Why the lock could not be taken: a sentence for the operator.
  const std::wstring& Problem() const { return problem_; }

 private:
  HANDLE mutex_ = nullptr;
  bool held_ = false;
  std::wstring problem_;
};

}  // namespace admit
