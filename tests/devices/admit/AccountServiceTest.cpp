// The Win32 layer without windows: CNG hashing, the accounts file on disk and its journal,
// log-on, lock-out across program starts and across readings of a file that cannot be
// written, the editor's changes, how a damaged file is reported, and two programs changing
// one file at the same time. New hashes use the smallest count the file allows, except in the
// one test of the real default.
#include <windows.h>

#include <bcrypt.h>

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "AccountFile.h"
#include "AccountService.h"
#include "AccountsFile.h"
#include "Hex.h"
#include "PasswordHash.h"
#include "Secret.h"
#include "TestPasswords.h"

namespace {

using admit::AccountService;
using admit::LogOnResult;
using admit::Rights;

std::string ReadText(const std::wstring& path) {
  std::string text;
  std::wstring problem;
  admit::ReadAccountsText(path, text, problem);
  return text;
}

// Puts any text into a file, as an editor or a damaged disk would.
void WriteText(const std::wstring& path, const std::string& text) {
  HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  ASSERT_NE(file, INVALID_HANDLE_VALUE);
  DWORD written = 0;
  WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
  CloseHandle(file);
}

constexpr uint32_t kTestIterations = admit::kMinIterations;

class Accounts : public ::testing::Test {
 protected:
  void SetUp() override {
    path_ = L"svc-" + std::to_wstring(GetCurrentProcessId()) + L"-" + std::to_wstring(++counter_) +
            L".ini";
    DeleteFileW(path_.c_str());
    DeleteFileW(admit::JournalPath(path_).c_str());
  }
  void TearDown() override {
    DeleteFileW(path_.c_str());
    DeleteFileW(admit::JournalPath(path_).c_str());
  }

  // A service as a fresh program start would have it, on this test's file and clock.
  AccountService Start() {
    AccountService service(
        path_, [this] { return now_; }, kTestIterations);
    service.Load();
    return service;
  }
  static void Set(admit::Secret& secret, const std::wstring& text) { secret.Assign(text.c_str()); }
  LogOnResult LogOn(AccountService& service, const std::string& name, const std::wstring& text) {
    admit::Secret secret;
    Set(secret, text);
    return service.LogOn(name, secret).result;
  }
  std::wstring Add(AccountService& service, const std::string& name, const std::wstring& text,
                   Rights rights) {
    admit::Secret secret;
    Set(secret, text);
    return service.AddAccount(name, secret, rights);
  }
  std::wstring AddFirst(AccountService& service, const std::string& name, const std::wstring& text,
                        Rights rights = Rights::kFull) {
    admit::Secret secret;
    Set(secret, text);
    return service.AddAccount(name, secret, rights, true);
  }

  static inline int counter_ = 0;
  std::wstring path_;
  uint64_t now_ = 1800000000;
  const std::wstring chiefPassword_ = MadeUpPassword();
  const std::wstring operatorPassword_ = MadeUpPassword();
};

// PBKDF2-HMAC-SHA256 for one 32-byte block, written out from its definition with CNG's HMAC:
// U1 = HMAC(P, S || 00000001), Ui = HMAC(P, Ui-1), result = U1 xor ... xor Uc.
admit::Hash ReferencePbkdf2(const std::vector<uint8_t>& key, std::vector<uint8_t> salt,
                            uint32_t iterations) {
  BCRYPT_ALG_HANDLE algorithm = nullptr;
  EXPECT_GE(BCryptOpenAlgorithmProvider(&algorithm, BCRYPT_SHA256_ALGORITHM, nullptr,
                                        BCRYPT_ALG_HANDLE_HMAC_FLAG),
            0);
  const auto hmac = [&](const std::vector<uint8_t>& message) {
    admit::Hash out{};
    BCRYPT_HASH_HANDLE hash = nullptr;
    BCryptCreateHash(algorithm, &hash, nullptr, 0, const_cast<PUCHAR>(key.data()),
                     static_cast<ULONG>(key.size()), 0);
    BCryptHashData(hash, const_cast<PUCHAR>(message.data()), static_cast<ULONG>(message.size()), 0);
    BCryptFinishHash(hash, out.data(), static_cast<ULONG>(out.size()), 0);
    BCryptDestroyHash(hash);
    return out;
  };
  salt.insert(salt.end(), {0, 0, 0, 1});
  admit::Hash u = hmac(salt);
  admit::Hash result = u;
  for (uint32_t i = 1; i < iterations; ++i) {
    u = hmac(std::vector<uint8_t>(u.begin(), u.end()));
    for (size_t b = 0; b < result.size(); ++b) {
      result[b] ^= u[b];
    }
  }
  BCryptCloseAlgorithmProvider(algorithm, 0);
  return result;
}

TEST(PasswordHash, IsPbkdf2WithHmacSha256AndTheGivenCount) {
  admit::Salt salt{};
  ASSERT_TRUE(admit::NewSalt(salt));
  const std::wstring made = MadeUpPassword(20);
  const std::vector<uint8_t> key(made.begin(), made.end());
  for (uint32_t iterations : {1u, 2u, 3u, 1000u}) {
    admit::Hash hash{};
    ASSERT_TRUE(admit::DerivePasswordHash(key.data(), key.size(), salt.data(), salt.size(),
                                          iterations, hash));
    EXPECT_EQ(hash,
              ReferencePbkdf2(key, std::vector<uint8_t>(salt.begin(), salt.end()), iterations))
        << iterations;
  }
}

TEST(PasswordHash, SaltsAreRandom) {
  admit::Salt a{};
  admit::Salt b{};
  ASSERT_TRUE(admit::NewSalt(a));
  ASSERT_TRUE(admit::NewSalt(b));
  EXPECT_NE(a, b);
  EXPECT_NE(a, admit::Salt{});
}

TEST_F(Accounts, CreatedAccountsLogOnWithTheirRightsAfterARestart) {
  AccountService first = Start();
  ASSERT_EQ(first.Load(), admit::Loaded::kMissing);
  EXPECT_EQ(Add(first, "op1", operatorPassword_, Rights::kRestricted),
            L"The accounts file is missing; it is made again with a first account at the next "
            L"start.");
  EXPECT_EQ(AddFirst(first, "lead", chiefPassword_, Rights::kRestricted),
            L"The first account must have full rights.");
  ASSERT_EQ(AddFirst(first, "lead", chiefPassword_, Rights::kFull), L"");
  ASSERT_EQ(Add(first, "op1", operatorPassword_, Rights::kRestricted), L"");

  AccountService later = Start();
  ASSERT_EQ(later.Problem(), L"");
  EXPECT_EQ(LogOn(later, "lead", chiefPassword_), LogOnResult::kFull);
  EXPECT_EQ(LogOn(later, " LEAD ", chiefPassword_), LogOnResult::kFull);
  EXPECT_EQ(LogOn(later, "op1", operatorPassword_), LogOnResult::kRestricted);
  EXPECT_EQ(LogOn(later, "op1", chiefPassword_), LogOnResult::kRefused);
  EXPECT_EQ(LogOn(later, "lead", chiefPassword_.substr(1)), LogOnResult::kRefused);
  EXPECT_EQ(LogOn(later, "nobody", chiefPassword_), LogOnResult::kRefused);

  // The file holds salted hashes at the service's count, never the password in any form.
  const std::string text = ReadText(path_);
  admit::ParsedAccounts parsed = admit::ParseAccountFile(text);
  ASSERT_EQ(parsed.problem, "");
  EXPECT_EQ(parsed.accounts[0].iterations, kTestIterations);
  EXPECT_NE(parsed.accounts[0].salt, parsed.accounts[1].salt);
  for (const std::wstring& password : {chiefPassword_, operatorPassword_}) {
    std::string narrow(password.begin(), password.end());
    EXPECT_EQ(text.find(narrow), std::string::npos);
    EXPECT_EQ(
        text.find(admit::ToHex(reinterpret_cast<const uint8_t*>(narrow.data()), narrow.size())),
        std::string::npos);
  }
}

TEST_F(Accounts, NewHashesUseTheDefaultCount) {
  AccountService service(path_, [this] { return now_; });
  ASSERT_EQ(service.Load(), admit::Loaded::kMissing);
  ASSERT_EQ(AddFirst(service, "lead", chiefPassword_), L"");
  admit::ParsedAccounts parsed = admit::ParseAccountFile(ReadText(path_));
  ASSERT_EQ(parsed.problem, "");
  EXPECT_EQ(parsed.accounts[0].iterations, admit::kDefaultIterations);
  EXPECT_EQ(parsed.accounts[0].iterations, 600000u);
  EXPECT_EQ(LogOn(service, "lead", chiefPassword_), LogOnResult::kFull);
}

TEST_F(Accounts, FiveWrongPasswordsLockOutForAMinuteEvenAcrossRestarts) {
  {
    AccountService service = Start();
    ASSERT_EQ(AddFirst(service, "lead", chiefPassword_), L"");
  }
  const std::wstring wrong = MadeUpPassword();
  for (int i = 0; i < 4; ++i) {
    AccountService restarted = Start();  // every attempt from a new program start
    EXPECT_EQ(LogOn(restarted, "lead", wrong), LogOnResult::kRefused) << i;
  }
  AccountService service = Start();
  admit::Secret secret;
  secret.Assign(wrong.c_str());
  admit::LogOnReply fifth = service.LogOn("lead", secret);
  EXPECT_EQ(fifth.result, LogOnResult::kLocked);
  EXPECT_EQ(fifth.lockSeconds, 60u);
  EXPECT_EQ(fifth.problem, L"");

  now_ += 59;
  AccountService restarted = Start();
  secret.Assign(chiefPassword_.c_str());
  admit::LogOnReply during = restarted.LogOn("lead", secret);
  EXPECT_EQ(during.result, LogOnResult::kLocked);
  EXPECT_EQ(during.lockSeconds, 1u);

  now_ += 1;
  AccountService afterwards = Start();
  EXPECT_EQ(LogOn(afterwards, "lead", chiefPassword_), LogOnResult::kFull);
  const admit::ParsedAccounts parsed = admit::ParseAccountFile(ReadText(path_));
  ASSERT_EQ(parsed.accounts.size(), 1u);
  EXPECT_EQ(parsed.accounts[0].failures, 0u);
  EXPECT_EQ(parsed.accounts[0].lockedUntil, 0u);
}

TEST_F(Accounts, EditorChangesKeepOneAccountWithFullRights) {
  AccountService service = Start();
  ASSERT_EQ(AddFirst(service, "lead", chiefPassword_), L"");
  EXPECT_EQ(AddFirst(service, "lead2", chiefPassword_),
            L"Another program created the accounts file meanwhile; log on with one of its "
            L"accounts.");
  ASSERT_EQ(Add(service, "op1", operatorPassword_, Rights::kRestricted), L"");
  EXPECT_EQ(Add(service, "OP1", operatorPassword_, Rights::kRestricted),
            L"A user named \"OP1\" already exists.");
  EXPECT_EQ(Add(service, "op2", L"seven77", Rights::kRestricted),
            L"The password must have at least 8 characters.");
  EXPECT_EQ(Add(service, "op\xE2\x80\xAEtxt.exe", operatorPassword_, Rights::kRestricted),
            L"The user name contains an invisible or direction-changing character (U+202E).");
  EXPECT_EQ(Add(service, "op2", L"eight888", Rights::kRestricted), L"") << "exactly the minimum";
  EXPECT_EQ(service.RemoveAccount("op2"), L"");

  EXPECT_EQ(service.RemoveAccount("lead"),
            L"\"lead\" is the last account with full rights; add another account with full "
            L"rights first.");
  EXPECT_NE(service.SetRights("lead", Rights::kRestricted), L"");
  EXPECT_EQ(service.SetRights("op1", Rights::kFull), L"");
  EXPECT_EQ(service.SetRights("lead", Rights::kRestricted), L"");
  EXPECT_NE(service.RemoveAccount("op1"), L"");

  const std::wstring newPassword = MadeUpPassword();
  admit::Secret secret;
  secret.Assign(newPassword.c_str());
  EXPECT_EQ(service.SetPassword("op1", secret), L"");

  AccountService later = Start();
  EXPECT_EQ(LogOn(later, "lead", chiefPassword_), LogOnResult::kRestricted);
  EXPECT_EQ(LogOn(later, "op1", operatorPassword_), LogOnResult::kRefused);
  EXPECT_EQ(LogOn(later, "op1", newPassword), LogOnResult::kFull);
  EXPECT_EQ(later.RemoveAccount("lead"), L"");
  EXPECT_EQ(Start().Book().Accounts().size(), 1u);
}

TEST_F(Accounts, ADamagedFileLetsNobodyInAndSaysWhatIsWrong) {
  {
    AccountService service = Start();
    ASSERT_EQ(AddFirst(service, "lead", chiefPassword_), L"");
  }
  const std::string good = ReadText(path_);
  wchar_t full[MAX_PATH] = {};
  GetFullPathNameW(path_.c_str(), MAX_PATH, full, nullptr);
  struct Case {
    std::string text;
    std::wstring reason;
  };
  const size_t hashAt = good.find("Hash=") + 5;
  const Case cases[] = {
      {good.substr(0, good.find("Failures=")), L"Line 7: the account has no Failures."},
      {good.substr(0, good.size() - 1), L"The file is cut off: its last line is incomplete."},
      {good.substr(0, hashAt + 10), L"The file is cut off: its last line is incomplete."},
      {std::string(good).replace(good.find("Rights=full"), 11, "Rights=root"),
       L"Line 9: unknown rights \"root\" (full or restricted)."},
      {std::string(good).replace(hashAt, 2, "xy"), L"Line 12: the hash must be 64"},
      {std::string(good).replace(good.find("Iterations="), 17, "Iterations=1000"),
       L"the iteration count 1000 is below the minimum of 100000."},
      {"\x7f"
       "ELF garbage\n",
       L"Line 1: not a Key=Value line."},
  };
  for (const Case& c : cases) {
    WriteText(path_, c.text);
    AccountService service(
        path_, [this] { return now_; }, kTestIterations);
    EXPECT_EQ(service.Load(), admit::Loaded::kBad);
    const std::wstring& message = service.Problem();
    EXPECT_NE(message.find(L"The accounts file\n"), std::wstring::npos);
    EXPECT_NE(message.find(path_), std::wstring::npos) << "the message names the file";
    EXPECT_NE(message.find(c.reason), std::wstring::npos) << c.text;
    EXPECT_NE(message.find(L"Nobody can log on"), std::wstring::npos);
    EXPECT_TRUE(service.Book().Accounts().empty());
    // Nothing may be checked or changed on top of an unusable file.
    admit::Secret secret;
    secret.Assign(chiefPassword_.c_str());
    EXPECT_EQ(service.LogOn("lead", secret).result, LogOnResult::kFailed);
    EXPECT_NE(service.AddAccount("intruder", secret, Rights::kFull), L"");
    EXPECT_EQ(ReadText(path_), c.text);
  }
}

TEST_F(Accounts, AnUnwritableFileChangesNothingAndAnUnusablePathIsNoMissingFile) {
  AccountService service = Start();
  ASSERT_EQ(AddFirst(service, "lead", chiefPassword_), L"");
  AccountService elsewhere(L"no-such-folder\\Accounts.ini", [this] { return now_; });
  EXPECT_EQ(elsewhere.Load(), admit::Loaded::kBad);
  EXPECT_NE(elsewhere.Problem().find(L"cannot be opened"), std::wstring::npos);
  // A program path that could not be read names no file: nobody gets the first-account form.
  AccountService noPath(
      L"", [this] { return now_; }, kTestIterations);
  EXPECT_EQ(noPath.Load(), admit::Loaded::kBad);
  EXPECT_NE(noPath.Problem().find(L"the program's own path cannot be read"), std::wstring::npos);
  admit::Secret secret;
  secret.Assign(chiefPassword_.c_str());
  EXPECT_EQ(noPath.LogOn("lead", secret).result, LogOnResult::kFailed);
  EXPECT_NE(noPath.AddAccount("lead", secret, Rights::kFull, true), L"");

  // A write that cannot reach the file leaves the old one and an empty journal.
  const std::string before = ReadText(path_);
  HANDLE held =
      CreateFileW(path_.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  std::wstring problem = Add(service, "op1", operatorPassword_, Rights::kRestricted);
  CloseHandle(held);
  EXPECT_NE(problem.find(L"could not be written"), std::wstring::npos);
  EXPECT_NE(problem.find(L"Nothing was changed."), std::wstring::npos);
  EXPECT_EQ(service.Book().Accounts().size(), 1u);
  EXPECT_EQ(ReadText(path_), before);
  EXPECT_EQ(admit::ReadJournalText(path_), "");
}

TEST_F(Accounts, AHalfWrittenFileIsMendedFromItsJournal) {
  AccountService service = Start();
  ASSERT_EQ(AddFirst(service, "lead", chiefPassword_), L"");
  ASSERT_EQ(Add(service, "op1", operatorPassword_, Rights::kRestricted), L"");
  const std::string whole = ReadText(path_);
  // As a power cut half-way through writing the file itself leaves it: the journal holds the
  // new text, the file its first part.
  WriteText(admit::JournalPath(path_), whole);
  WriteText(path_, whole.substr(0, whole.size() / 2));
  AccountService restarted = Start();
  ASSERT_EQ(restarted.Problem(), L"");
  EXPECT_EQ(restarted.Book().Accounts().size(), 2u);
  EXPECT_EQ(ReadText(path_), whole);
  EXPECT_EQ(admit::ReadJournalText(path_), "");
  EXPECT_EQ(LogOn(restarted, "op1", operatorPassword_), LogOnResult::kRestricted);

  // A journal left from a write that never reached the file is not used: the change was
  // never made.
  admit::ParsedAccounts parsed = admit::ParseAccountFile(whole);
  ASSERT_EQ(parsed.problem, "");
  parsed.accounts.pop_back();
  WriteText(admit::JournalPath(path_), admit::FormatAccountFile(parsed.accounts));
  EXPECT_EQ(Start().Book().Accounts().size(), 2u);
  EXPECT_EQ(admit::ReadJournalText(path_), "");
  // Damage without a journal is refused as before.
  WriteText(path_, whole.substr(0, whole.size() / 2));
  EXPECT_EQ(Start().Book().Accounts().size(), 0u);
}

TEST_F(Accounts, WrongPasswordsAreCountedAcrossReadingsOfAFileThatCannotBeWritten) {
  {
    AccountService service = Start();
    ASSERT_EQ(AddFirst(service, "lead", chiefPassword_), L"");
  }
  AccountService service = Start();
  // Held open for reading only, as a folder an operator cannot write leaves the file.
  HANDLE held =
      CreateFileW(path_.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  admit::Secret wrong;
  const std::wstring wrongText = MadeUpPassword();
  wrong.Assign(wrongText.c_str());
  for (int i = 0; i < 4; ++i) {
    ASSERT_EQ(service.Load(), admit::Loaded::kOk);  // every log-on dialog reads the file again
    admit::LogOnReply reply = service.LogOn("lead", wrong);
    EXPECT_EQ(reply.result, LogOnResult::kRefused) << i;
    EXPECT_NE(reply.problem.find(L"Wrong passwords are counted only until the program ends."),
              std::wstring::npos);
    // An unknown name gets the same warning: the answer does not tell which names exist.
    EXPECT_EQ(service.LogOn("nobody", wrong).problem, reply.problem);
  }
  ASSERT_EQ(service.Load(), admit::Loaded::kOk);
  EXPECT_EQ(service.LogOn("lead", wrong).result, LogOnResult::kLocked);
  EXPECT_EQ(LogOn(service, "lead", chiefPassword_), LogOnResult::kLocked);
  now_ += 60;
  EXPECT_EQ(LogOn(service, "lead", chiefPassword_), LogOnResult::kFull);
  CloseHandle(held);
}

TEST_F(Accounts, AnOldIterationCountIsRaisedAtTheNextLogOn) {
  {
    AccountService service = Start();
    ASSERT_EQ(AddFirst(service, "lead", chiefPassword_), L"");
  }
  // Rehash the account as an older release with the minimum count would have written it.
  admit::ParsedAccounts parsed = admit::ParseAccountFile(ReadText(path_));
  ASSERT_EQ(parsed.problem, "");
  admit::Account& account = parsed.accounts[0];
  const std::string narrow(chiefPassword_.begin(), chiefPassword_.end());
  account.iterations = admit::kMinIterations;
  ASSERT_TRUE(admit::DerivePasswordHash(reinterpret_cast<const uint8_t*>(narrow.data()),
                                        narrow.size(), account.salt.data(), account.salt.size(),
                                        account.iterations, account.hash));
  WriteText(path_, admit::FormatAccountFile(parsed.accounts));

  // A release whose new hashes take more iterations.
  constexpr uint32_t kRaised = admit::kMinIterations + 20000;
  AccountService service(
      path_, [this] { return now_; }, kRaised);
  ASSERT_EQ(service.Load(), admit::Loaded::kOk);
  EXPECT_EQ(LogOn(service, "lead", chiefPassword_), LogOnResult::kFull);
  parsed = admit::ParseAccountFile(ReadText(path_));
  ASSERT_EQ(parsed.problem, "");
  EXPECT_EQ(parsed.accounts[0].iterations, kRaised);
  EXPECT_EQ(LogOn(service, "lead", chiefPassword_), LogOnResult::kFull);
  AccountService later = Start();
  EXPECT_EQ(LogOn(later, "lead", chiefPassword_), LogOnResult::kFull);
}

// Two programs add accounts and count wrong passwords on one file at the same time: every
// change of both is in the file afterwards.
TEST_F(Accounts, TwoProgramsNeverUndoEachOthersChanges) {
  {
    AccountService service = Start();
    ASSERT_EQ(AddFirst(service, "lead", chiefPassword_), L"");
    ASSERT_EQ(Add(service, "victim", operatorPassword_, Rights::kRestricted), L"");
  }
  wchar_t self[MAX_PATH] = {};
  GetModuleFileNameW(nullptr, self, MAX_PATH);
  std::wstring worker(self);
  worker = worker.substr(0, worker.find_last_of(L'\\') + 1) + L"AccountsWorker.exe";
  constexpr int kAccountsEach = 6;
  constexpr int kWrongEach = 2;
  std::vector<PROCESS_INFORMATION> started;
  for (const wchar_t* prefix : {L"a", L"b"}) {
    std::wstring command = L"\"" + worker + L"\" " + path_ + L" " + prefix + L" " +
                           std::to_wstring(kAccountsEach) + L" victim " +
                           std::to_wstring(kWrongEach);
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    ASSERT_TRUE(CreateProcessW(worker.c_str(), command.data(), nullptr, nullptr, FALSE, 0, nullptr,
                               nullptr, &startup, &process))
        << GetLastError();
    started.push_back(process);
  }
  for (PROCESS_INFORMATION& process : started) {
    ASSERT_EQ(WaitForSingleObject(process.hProcess, 120000), WAIT_OBJECT_0);
    DWORD code = 99;
    GetExitCodeProcess(process.hProcess, &code);
    EXPECT_EQ(code, 0u);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
  }
  admit::ParsedAccounts parsed = admit::ParseAccountFile(ReadText(path_));
  ASSERT_EQ(parsed.problem, "");
  EXPECT_EQ(parsed.accounts.size(), 2u + 2 * kAccountsEach);
  AccountService after = Start();
  for (const char* prefix : {"a", "b"}) {
    for (int i = 1; i <= kAccountsEach; ++i) {
      EXPECT_NE(after.Book().Find(prefix + std::to_string(i)), nullptr) << prefix << i;
    }
  }
  ASSERT_NE(after.Book().Find("victim"), nullptr);
  EXPECT_EQ(after.Book().Find("victim")->failures, 2u * kWrongEach);
}

TEST(Secret, WipesAndComparesTypedText) {
  const std::wstring text = MadeUpPassword();
  admit::Secret a;
  admit::Secret b;
  a.Assign(text.c_str());
  b.Assign(text.c_str());
  EXPECT_TRUE(a.SameAs(b));
  EXPECT_EQ(a.Chars(), text.size());
  b.Assign((text + L"x").c_str());
  EXPECT_FALSE(a.SameAs(b));
  a.Wipe();
  EXPECT_EQ(a.Utf8Size(), 0u);
  for (size_t i = 0; i < text.size(); ++i) {
    EXPECT_EQ(a.Utf8()[i], 0) << i;
  }
  // More than the limit is refused outright rather than cut.
  a.Assign(std::wstring(admit::kMaxPasswordChars + 1, L'x').c_str());
  EXPECT_EQ(a.Chars(), 0u);
}

}  // namespace
