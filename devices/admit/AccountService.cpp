#include "AccountService.h"

#include <windows.h>

#include "AccountFile.h"
#include "AccountsFile.h"
#include "PasswordHash.h"
#include "Secret.h"
#include "UserName.h"
#include "WideText.h"

namespace admit {
namespace {

// "the salt must be ..." becomes "The salt must be ...".
std::wstring Sentence(const std::string& problem) {
  std::wstring text = FromUtf8(problem);
  if (!text.empty() && text[0] >= L'a' && text[0] <= L'z') {
    text[0] = static_cast<wchar_t>(text[0] - L'a' + L'A');
  }
  return text + L".";
}

}  // namespace

uint64_t SystemSeconds() {
  FILETIME now = {};
  GetSystemTimeAsFileTime(&now);
  uint64_t ticks = (static_cast<uint64_t>(now.dwHighDateTime) << 32) | now.dwLowDateTime;
  constexpr uint64_t kTicksTo1970 = 116444736000000000ULL;
  return ticks > kTicksTo1970 ? (ticks - kTicksTo1970) / 10000000 : 0;
}

AccountService::AccountService(std::wstring path, Clock clock)
    : path_(std::move(path)), clock_(std::move(clock)) {}

std::wstring AccountService::FileProblem(const std::wstring& what) const {
  return L"The accounts file\n" + path_ + L"\ncannot be used: " + what +
         L"\n\nNobody can log on until the file is restored from a backup or deleted. "
         L"Without the file, the next start asks for a new first account.";
}

Loaded AccountService::Load() {
  book_ = AccountBook();
  problem_.clear();
  state_ = Loaded::kBad;
  std::string text;
  std::wstring why;
  switch (ReadAccountsText(path_, text, why)) {
    case FileRead::kMissing:
      state_ = Loaded::kMissing;
      return state_;
    case FileRead::kFailed:
      problem_ = FileProblem(why + L".");
      return state_;
    case FileRead::kRead:
      break;
  }
  ParsedAccounts parsed = ParseAccountFile(text);
  if (!parsed.problem.empty()) {
    problem_ = FileProblem(Sentence(parsed.problem));
    return state_;
  }
  book_ = AccountBook(std::move(parsed.accounts));
  state_ = Loaded::kOk;
  return state_;
}

std::wstring AccountService::NotLoaded() const {
  return problem_.empty() ? FileProblem(L"it has not been read.") : problem_;
}

LogOnReply AccountService::LogOn(std::string_view name, const Secret& password) {
  LogOnReply reply;
  if (state_ != Loaded::kOk) {
    reply.result = LogOnResult::kFailed;
    reply.problem = NotLoaded();
    return reply;
  }
  const PasswordHasher hashOf = [&password](const Salt& salt, uint32_t iterations, Hash& hash) {
    return DerivePasswordHash(password.Utf8(), password.Utf8Size(), salt.data(), salt.size(),
                              iterations, hash);
  };
  LogOnOutcome outcome = gate_.Attempt(book_, TrimBlanks(name), clock_(), hashOf);
  switch (outcome.verdict) {
    case Verdict::kFull:
      reply.result = LogOnResult::kFull;
      break;
    case Verdict::kRestricted:
      reply.result = LogOnResult::kRestricted;
      break;
    case Verdict::kRefused:
      reply.result = LogOnResult::kRefused;
      break;
    case Verdict::kLocked:
      reply.result = LogOnResult::kLocked;
      reply.lockSeconds = outcome.lockSeconds;
      break;
    case Verdict::kHashFailed:
      reply.result = LogOnResult::kFailed;
      reply.problem = L"Windows could not compute the password hash, so nobody can log on.";
      return reply;
  }
  if (outcome.wantsNewHash) {
    Salt salt{};
    Hash hash{};
    const Account* account = book_.Find(TrimBlanks(name));
    if (account != nullptr && NewHash(password, salt, hash).empty() &&
        book_.SetHash(account->name, salt, hash, kDefaultIterations).empty()) {
      outcome.bookChanged = true;
    }
  }
  std::wstring why;
  if (outcome.bookChanged && !WriteAccountsText(path_, FormatAccountFile(book_.Accounts()), why)) {
    // The count stays in memory, so the lock-out still holds while this program runs.
    reply.problem = L"The accounts file\n" + path_ + L"\ncould not be updated: " + why +
                    L".\n\nWrong passwords are counted only until the program ends.";
  }
  return reply;
}

std::wstring AccountService::NewHash(const Secret& password, Salt& salt, Hash& hash) {
  if (password.Chars() < static_cast<size_t>(kMinPasswordChars)) {
    return L"The password must have at least " + std::to_wstring(kMinPasswordChars) +
           L" characters.";
  }
  if (!NewSalt(salt) || !DerivePasswordHash(password.Utf8(), password.Utf8Size(), salt.data(),
                                            salt.size(), kDefaultIterations, hash)) {
    return L"Windows could not compute the password hash.";
  }
  return std::wstring();
}

std::wstring AccountService::Commit(AccountBook changed) {
  if (state_ == Loaded::kBad) {
    return NotLoaded();
  }
  std::wstring why;
  if (!WriteAccountsText(path_, FormatAccountFile(changed.Accounts()), why)) {
    return L"The accounts file\n" + path_ + L"\ncould not be written: " + why +
           L".\n\nNothing was changed.";
  }
  book_ = std::move(changed);
  state_ = Loaded::kOk;
  return std::wstring();
}

std::wstring AccountService::AddAccount(std::string_view name, const Secret& password,
                                        Rights rights) {
  std::string problem = UserNameProblem(TrimBlanks(name));
  if (!problem.empty()) {
    return Sentence(problem);
  }
  if (book_.Accounts().empty() && rights != Rights::kFull) {
    return L"The first account must have full rights.";
  }
  Account account;
  account.name = std::string(TrimBlanks(name));
  account.rights = rights;
  account.iterations = kDefaultIterations;
  std::wstring hashProblem = NewHash(password, account.salt, account.hash);
  if (!hashProblem.empty()) {
    return hashProblem;
  }
  AccountBook changed = book_;
  problem = changed.Add(std::move(account));
  return problem.empty() ? Commit(std::move(changed)) : Sentence(problem);
}

std::wstring AccountService::RemoveAccount(std::string_view name) {
  AccountBook changed = book_;
  std::string problem = changed.Remove(name);
  return problem.empty() ? Commit(std::move(changed)) : Sentence(problem);
}

std::wstring AccountService::SetRights(std::string_view name, Rights rights) {
  AccountBook changed = book_;
  std::string problem = changed.SetRights(name, rights);
  return problem.empty() ? Commit(std::move(changed)) : Sentence(problem);
}

std::wstring AccountService::SetPassword(std::string_view name, const Secret& password) {
  if (book_.Find(name) == nullptr) {
    return Sentence("there is no user named \"" + std::string(name) + "\"");
  }
  Salt salt{};
  Hash hash{};
  std::wstring hashProblem = NewHash(password, salt, hash);
  if (!hashProblem.empty()) {
    return hashProblem;
  }
  AccountBook changed = book_;
  std::string problem = changed.SetHash(name, salt, hash, kDefaultIterations);
  SecureZeroMemory(hash.data(), hash.size());
  return problem.empty() ? Commit(std::move(changed)) : Sentence(problem);
}

}  // namespace admit
