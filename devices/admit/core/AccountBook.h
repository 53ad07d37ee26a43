// The accounts in memory and the rules for changing them. Every change that could leave the
// station without an account with full rights is refused.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "Account.h"

namespace admit {

class AccountBook {
 public:
  AccountBook() = default;
  explicit AccountBook(std::vector<Account> accounts) : accounts_(std::move(accounts)) {}

  const std::vector<Account>& Accounts() const { return accounts_; }
  Account* Find(std::string_view name);
  const Account* Find(std::string_view name) const;
  size_t FullRightsCount() const;

  // Each returns an empty text on success, otherwise why the change was refused (the book
  // is then unchanged). A new account needs a name by the rule for new names and room in
  // the file (kMaxAccounts).
  std::string Add(Account account);
  std::string Remove(std::string_view name);
  std::string SetRights(std::string_view name, Rights rights);
  // A new password: new salt, hash and iteration count; the failure count and lock go.
  std::string SetHash(std::string_view name, const Salt& salt, const Hash& hash,
                      uint32_t iterations);

 private:
  std::vector<Account> accounts_;
};

}  // namespace admit
