#include "AccountService.h"

#include <windows.h>

#include "AccountFile.h"
#include "AccountsFile.h"
#include "AccountsLock.h"
#include "PasswordHash.h"
#include "Secret.h"
#include "UserName.h"
#include "WideText.h"

namespace admit {
namespace {

constexpr wchar_t kNoPath[] =
    L"The accounts file beside the program cannot be found: the program's own path cannot be "
    L"read (it may be too long).\n\nNobody can log on until the station is installed in a "
    L"folder with a shorter path.";

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

AccountService::AccountService(std::wstring path, Clock clock, uint32_t newHashIterations)
    : path_(std::move(path)),
      clock_(std::move(clock)),
      newHashIterations_(newHashIterations),
      gate_(newHashIterations) {}

std::wstring AccountService::FileProblem(const std::wstring& what) const {
  return L"The accounts file\n" + path_ + L"\ncannot be used: " + what +
         L"\n\nNobody can log on until the file is restored from a backup or deleted. "
         L"Without the file, the next start asks for a new first account.";
}

Loaded AccountService::ReadFresh(AccountBook& book, std::wstring& problem) {
  book = AccountBook();
  std::string text;
  std::wstring why;
  switch (ReadAccountsText(path_, text, why)) {
    case FileRead::kMissing:
      return Loaded::kMissing;
    case FileRead::kFailed:
      problem = FileProblem(why + L".");
      return Loaded::kBad;
    case FileRead::kRead:
      break;
  }
  ParsedAccounts parsed = ParseAccountFile(text);
  if (parsed.problem.empty()) {
    ClearJournal(path_);  // left from a write that ended before the file was touched
    book = AccountBook(std::move(parsed.accounts));
    return Loaded::kOk;
  }
  // A write that stopped half-way through the file left the whole new text in the journal.
  const std::string journal = ReadJournalText(path_);
  ParsedAccounts mended = journal.empty() ? ParsedAccounts() : ParseAccountFile(journal);
  if (!journal.empty() && mended.problem.empty()) {
    WriteAccountsText(path_, journal, WriteMode::kReplace, why);
    book = AccountBook(std::move(mended.accounts));
    return Loaded::kOk;
  }
  problem = FileProblem(Sentence(parsed.problem));
  return Loaded::kBad;
}

Loaded AccountService::Load() {
  problem_.clear();
  book_ = AccountBook();
  if (path_.empty()) {
    problem_ = kNoPath;
    return Loaded::kBad;
  }
  AccountsLock lock(path_);
  if (!lock.Held()) {
    problem_ = lock.Problem();
    return Loaded::kBad;
  }
  return ReadFresh(book_, problem_);
}

LogOnReply AccountService::LogOn(std::string_view name, const Secret& password) {
  LogOnReply reply;
  reply.result = LogOnResult::kFailed;
  if (path_.empty()) {
    reply.problem = kNoPath;
    return reply;
  }
  AccountsLock lock(path_);
  if (!lock.Held()) {
    reply.problem = lock.Problem();
    return reply;
  }
  AccountBook fresh;
  switch (ReadFresh(fresh, reply.problem)) {
    case Loaded::kMissing:
      reply.problem = FileProblem(L"it is missing.");
      return reply;
    case Loaded::kBad:
      return reply;
    case Loaded::kOk:
      break;
  }
  const PasswordHasher hashOf = [&password](const Salt& salt, uint32_t iterations, Hash& hash) {
    return DerivePasswordHash(password.Utf8(), password.Utf8Size(), salt.data(), salt.size(),
                              iterations, hash);
  };
  LogOnOutcome outcome = gate_.Attempt(fresh, TrimBlanks(name), clock_(), hashOf);
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
      reply.problem = L"Windows could not compute the password hash, so nobody can log on.";
      return reply;
  }
  if (outcome.wantsNewHash) {
    Salt salt{};
    Hash hash{};
    const Account* account = fresh.Find(TrimBlanks(name));
    if (account != nullptr && NewHash(password, salt, hash).empty() &&
        fresh.SetHash(account->name, salt, hash, newHashIterations_).empty()) {
      outcome.bookChanged = true;
    }
    SecureZeroMemory(hash.data(), hash.size());
  }
  std::wstring why;
  if (outcome.bookChanged &&
      !WriteAccountsText(path_, FormatAccountFile(fresh.Accounts()), WriteMode::kReplace, why)) {
    // The count stays in memory, so the lock-out still holds while this program runs.
    reply.problem = L"The accounts file\n" + path_ + L"\ncould not be updated: " + why +
                    L".\n\nWrong passwords are counted only until the program ends.";
  }
  book_ = std::move(fresh);
  return reply;
}

std::wstring AccountService::NewHash(const Secret& password, Salt& salt, Hash& hash) {
  if (password.Chars() < static_cast<size_t>(kMinPasswordChars)) {
    return L"The password must have at least " + std::to_wstring(kMinPasswordChars) +
           L" characters.";
  }
  if (!NewSalt(salt) || !DerivePasswordHash(password.Utf8(), password.Utf8Size(), salt.data(),
                                            salt.size(), newHashIterations_, hash)) {
    return L"Windows could not compute the password hash.";
  }
  return std::wstring();
}

std::wstring AccountService::Change(const Edit& edit) {
  if (path_.empty()) {
    return kNoPath;
  }
  AccountsLock lock(path_);
  if (!lock.Held()) {
    return lock.Problem();
  }
  AccountBook fresh;
  std::wstring problem;
  const Loaded state = ReadFresh(fresh, problem);
  if (state == Loaded::kBad) {
    problem_ = problem;
    return problem;
  }
  const std::string refused = edit(fresh);
  if (!refused.empty()) {
    book_ = std::move(fresh);
    return Sentence(refused);
  }
  std::wstring why;
  const WriteMode mode = state == Loaded::kMissing ? WriteMode::kCreate : WriteMode::kReplace;
  if (!WriteAccountsText(path_, FormatAccountFile(fresh.Accounts()), mode, why)) {
    return L"The accounts file\n" + path_ + L"\ncould not be written: " + why +
           L".\n\nNothing was changed.";
  }
  book_ = std::move(fresh);
  return std::wstring();
}

std::wstring AccountService::AddAccount(std::string_view name, const Secret& password,
                                        Rights rights, bool firstAccount) {
  Account account;
  account.name = std::string(TrimBlanks(name));
  account.rights = rights;
  account.iterations = newHashIterations_;
  std::string nameProblem = NewUserNameProblem(account.name);
  if (!nameProblem.empty()) {
    return Sentence(nameProblem);
  }
  if (firstAccount && rights != Rights::kFull) {
    return L"The first account must have full rights.";
  }
  std::wstring hashProblem = NewHash(password, account.salt, account.hash);
  if (!hashProblem.empty()) {
    return hashProblem;
  }
  std::wstring result = Change([&](AccountBook& book) -> std::string {
    // The first account only while there is no file, and accounts only into an existing one:
    // a first-account form left open never adds to accounts made meanwhile.
    if (firstAccount && !book.Accounts().empty()) {
      return "another program created the accounts file meanwhile; log on with one of its "
             "accounts";
    }
    if (!firstAccount && book.Accounts().empty()) {
      return "the accounts file is missing; it is made again with a first account at the next "
             "start";
    }
    return book.Add(account);
  });
  SecureZeroMemory(account.hash.data(), account.hash.size());
  return result;
}

std::wstring AccountService::RemoveAccount(std::string_view name) {
  return Change([&](AccountBook& book) { return book.Remove(name); });
}

std::wstring AccountService::SetRights(std::string_view name, Rights rights) {
  return Change([&](AccountBook& book) { return book.SetRights(name, rights); });
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
  std::wstring result =
      Change([&](AccountBook& book) { return book.SetHash(name, salt, hash, newHashIterations_); });
  SecureZeroMemory(hash.data(), hash.size());
  if (result.empty()) {
    gate_.Forget(name);
  }
  return result;
}

}  // namespace admit
