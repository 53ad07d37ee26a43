#include "AccountBook.h"

#include "UserName.h"

namespace admit {
namespace {

constexpr char kLastFullRights[] =
    "is the last account with full rights; add another account with full rights first";

}  // namespace

Account* AccountBook::Find(std::string_view name) {
  for (Account& account : accounts_) {
    if (SameUserName(account.name, name)) {
      return &account;
    }
  }
  return nullptr;
}

const Account* AccountBook::Find(std::string_view name) const {
  return const_cast<AccountBook*>(this)->Find(name);
}

size_t AccountBook::FullRightsCount() const {
  size_t count = 0;
  for (const Account& account : accounts_) {
    count += account.rights == Rights::kFull ? 1 : 0;
  }
  return count;
}

std::string AccountBook::Add(Account account) {
  std::string problem = NewUserNameProblem(account.name);
  if (!problem.empty()) {
    return problem;
  }
  // One more would make the whole file unreadable at the next start.
  if (accounts_.size() >= kMaxAccounts) {
    return "there are already " + std::to_string(kMaxAccounts) +
           " accounts, the most the accounts file holds; remove one first";
  }
  if (Find(account.name) != nullptr) {
    return "a user named \"" + account.name + "\" already exists";
  }
  if (account.iterations < kMinIterations || account.iterations > kMaxIterations) {
    return "the iteration count is out of range";
  }
  accounts_.push_back(std::move(account));
  return std::string();
}

std::string AccountBook::Remove(std::string_view name) {
  for (auto it = accounts_.begin(); it != accounts_.end(); ++it) {
    if (SameUserName(it->name, name)) {
      if (it->rights == Rights::kFull && FullRightsCount() == 1) {
        return "\"" + it->name + "\" " + kLastFullRights;
      }
      accounts_.erase(it);
      return std::string();
    }
  }
  return "there is no user named \"" + std::string(name) + "\"";
}

std::string AccountBook::SetRights(std::string_view name, Rights rights) {
  Account* account = Find(name);
  if (account == nullptr) {
    return "there is no user named \"" + std::string(name) + "\"";
  }
  if (account->rights == Rights::kFull && rights != Rights::kFull && FullRightsCount() == 1) {
    return "\"" + account->name + "\" " + kLastFullRights;
  }
  account->rights = rights;
  return std::string();
}

std::string AccountBook::SetHash(std::string_view name, const Salt& salt, const Hash& hash,
                                 uint32_t iterations) {
  Account* account = Find(name);
  if (account == nullptr) {
    return "there is no user named \"" + std::string(name) + "\"";
  }
  if (iterations < kMinIterations || iterations > kMaxIterations) {
    return "the iteration count is out of range";
  }
  account->salt = salt;
  account->hash = hash;
  account->iterations = iterations;
  account->failures = 0;
  account->lockedUntil = 0;
  return std::string();
}

}  // namespace admit
