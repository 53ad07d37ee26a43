// The accounts file text, the lock-out arithmetic, the log-on decision and the rule that the
// last account with full rights stays. Hashing is replaced by a keyed stand-in here; the real
// hashing is tested under Wine.
#include <cstring>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "AccountBook.h"
#include "AccountFile.h"
#include "ConstantTime.h"
#include "Hex.h"
#include "Lockout.h"
#include "LogOnGate.h"
#include "UserName.h"

namespace {

using admit::Account;
using admit::AccountBook;
using admit::Rights;
using admit::Verdict;

// Stand-in for a password hash: the same "secret" and salt always give the same bytes.
admit::Hash FakeHash(int secret, const admit::Salt& salt, uint32_t iterations) {
  admit::Hash hash{};
  for (size_t i = 0; i < hash.size(); ++i) {
    hash[i] = static_cast<uint8_t>(salt[i % salt.size()] * 31 + secret * 7 + i + iterations);
  }
  return hash;
}

Account MakeAccount(const std::string& name, Rights rights, int secret, uint8_t saltSeed) {
  Account account;
  account.name = name;
  account.rights = rights;
  for (size_t i = 0; i < account.salt.size(); ++i) {
    account.salt[i] = static_cast<uint8_t>(saltSeed + i * 13);
  }
  account.hash = FakeHash(secret, account.salt, account.iterations);
  return account;
}

admit::PasswordHasher Typing(int secret, int* calls = nullptr) {
  return [secret, calls](const admit::Salt& salt, uint32_t iterations, admit::Hash& hash) {
    if (calls != nullptr) {
      ++*calls;
    }
    hash = FakeHash(secret, salt, iterations);
    return true;
  };
}

std::vector<Account> SampleAccounts() {
  Account chief = MakeAccount("chief", Rights::kFull, 1, 3);
  Account operatorOne = MakeAccount("Wang Fang \xE7\x8E\x8B", Rights::kRestricted, 2, 90);
  operatorOne.iterations = 123456;
  operatorOne.hash = FakeHash(2, operatorOne.salt, operatorOne.iterations);
  operatorOne.failures = 3;
  operatorOne.lockedUntil = 1780000000;
  return {chief, operatorOne};
}

std::string SampleText() {
  return admit::FormatAccountFile(SampleAccounts());
}

std::string Replace(std::string text, const std::string& from, const std::string& to) {
  size_t at = text.find(from);
  EXPECT_NE(at, std::string::npos) << from;
  return at == std::string::npos ? text : text.replace(at, from.size(), to);
}

TEST(AccountFile, FormattedAccountsReadBackUnchanged) {
  const std::vector<Account> accounts = SampleAccounts();
  const std::string text = admit::FormatAccountFile(accounts);
  EXPECT_EQ(text.find("chief"), text.find("Name=chief") + 5);

  for (const std::string& variant : {text, "\xEF\xBB\xBF" + text, [&] {
                                       std::string crlf;
                                       for (char c : text) {
                                         crlf +=
                                             c == '\n' ? std::string("\r\n") : std::string(1, c);
                                       }
                                       return crlf;
                                     }()}) {
    admit::ParsedAccounts parsed = admit::ParseAccountFile(variant);
    ASSERT_EQ(parsed.problem, "");
    ASSERT_EQ(parsed.accounts.size(), 2u);
    for (size_t i = 0; i < 2; ++i) {
      const Account& a = accounts[i];
      const Account& b = parsed.accounts[i];
      EXPECT_EQ(a.name, b.name);
      EXPECT_EQ(a.rights, b.rights);
      EXPECT_EQ(a.iterations, b.iterations);
      EXPECT_EQ(a.salt, b.salt);
      EXPECT_EQ(a.hash, b.hash);
      EXPECT_EQ(a.failures, b.failures);
      EXPECT_EQ(a.lockedUntil, b.lockedUntil);
    }
  }
}

TEST(AccountFile, EveryCutOffCopyIsRefused) {
  const std::string text = SampleText();
  for (size_t length = 0; length < text.size(); ++length) {
    admit::ParsedAccounts parsed = admit::ParseAccountFile(text.substr(0, length));
    EXPECT_NE(parsed.problem, "") << "cut at " << length;
    EXPECT_TRUE(parsed.accounts.empty());
  }
}

TEST(AccountFile, DamagedOrAlteredFilesAreRefusedWithTheReason) {
  const std::string good = SampleText();
  const std::string salt = "Salt=" + good.substr(good.find("Salt=") + 5, 32);
  const std::string hash = "Hash=" + good.substr(good.find("Hash=") + 5, 64);
  struct Case {
    std::string text;
    std::string problem;
  };
  const Case cases[] = {
      {"", "the file is empty"},
      {Replace(good, salt, salt.substr(0, 35)), "line 11: the salt must be 32 hexadecimal digits"},
      {Replace(good, salt, salt + "00"), "the salt must be 32"},
      {Replace(good, hash, hash.substr(0, 60)), "line 12: the hash must be 64 hexadecimal digits"},
      {Replace(good, hash, hash.substr(0, 68) + "zz"), "the hash must be 64"},
      {Replace(good, salt, "Salt=0123456789abcdef0123456789abcdeg"), "the salt must be 32"},
      {Replace(good, "Rights=restricted", "Rights=admin"), "unknown rights \"admin\""},
      {Replace(good, "Rights=full", "Rights=Full"), "unknown rights \"Full\""},
      {Replace(good, "Name=Wang Fang \xE7\x8E\x8B", "Name=CHIEF"),
       "line 17: the user \"CHIEF\" appears twice"},
      {Replace(good, "Iterations=123456", "Iterations=99999"),
       "the iteration count 99999 is below the minimum of 100000"},
      {Replace(good, "Iterations=123456", "Iterations=10000001"), "Iterations must be a number"},
      {Replace(good, "Iterations=123456", "Iterations=-5"), "Iterations must be a number"},
      {Replace(good, "Iterations=123456", "Iterations= 123456"), "Iterations must be a number"},
      {Replace(good, "Failures=3", "Failures=5"), "Failures must be a number from 0 to 4"},
      {Replace(good, "LockedUntil=1780000000", "LockedUntil=99999999999999999999999"),
       "LockedUntil must be"},
      {Replace(good, "Count=2", "Count=3"), "Count says 3 accounts but the file has 2"},
      {Replace(good, "Count=2", "Count=0"), "Count must be a number from 1 to 1000"},
      {Replace(good, "Count=2\n", ""), "the [Accounts] section with Format and Count is missing"},
      {Replace(good, "Format=1", "Format=2"), "unknown format \"2\""},
      {Replace(good, "Failures=3\n", ""), "line 16: the account has no Failures"},
      {Replace(good, "Failures=3\n", "Failures=3\nFailures=3\n"), "Failures given twice"},
      {Replace(good, "Failures=3\n", "Failures=3\nAdmin=1\n"), "unknown key \"Admin\""},
      {Replace(good, "[Accounts]", "[Accounts]\n[Users]"), "unknown section \"[Users]\""},
      {Replace(good, "[Accounts]", "Name=x\n[Accounts]"), "a value outside any section"},
      {Replace(good, "Failures=3\n", "Failures=3\ngarbage\n"), "not a Key=Value line"},
      {Replace(good, "Rights=full", "Rights=restricted"), "no account has full rights"},
      {Replace(good, "Name=chief", "Name=\xC0\xAF"), "not valid UTF-8"},
      {Replace(good, "Name=chief", "Name=chief\t"), "starts or ends with a blank"},
      {Replace(good, "Name=chief",
               "Name=ch\x01"
               "ef"),
       "control character"},
      {Replace(good, "Name=chief", "Name="), "the user name is empty"},
      {Replace(good, "Name=chief", "Name=" + std::string(33, 'a')), "longer than 32"},
      {good + "[Accounts]\n", "a second [Accounts] section"},
  };
  for (const Case& c : cases) {
    admit::ParsedAccounts parsed = admit::ParseAccountFile(c.text);
    EXPECT_NE(parsed.problem.find(c.problem), std::string::npos)
        << "expected \"" << c.problem << "\", got \"" << parsed.problem << "\"";
    EXPECT_TRUE(parsed.accounts.empty());
  }
}

TEST(AccountFile, EveryKeyOfAnAccountIsRequiredOnce) {
  const std::string good = SampleText();
  for (const char* key :
       {"Name", "Rights", "Iterations", "Salt", "Hash", "Failures", "LockedUntil"}) {
    const size_t at = good.rfind(std::string("\n") + key + "=") + 1;
    const std::string line = good.substr(at, good.find('\n', at) + 1 - at);
    std::string missing = good;
    missing.erase(at, line.size());
    EXPECT_NE(admit::ParseAccountFile(missing).problem.find(std::string("has no ") + key),
              std::string::npos)
        << key;
    std::string twice = good;
    twice.insert(at, line);
    EXPECT_NE(admit::ParseAccountFile(twice).problem.find(std::string(key) + " given twice"),
              std::string::npos)
        << key;
  }
}

TEST(AccountFile, CommentsAndBlankLinesAreSkipped) {
  const std::string text =
      "# accounts\n\n" + Replace(SampleText(), "[Account]\n", "[Account]\n; x\n\n");
  EXPECT_EQ(admit::ParseAccountFile(text).problem, "");
}

class Gate : public ::testing::Test {
 protected:
  static constexpr uint64_t kNow = 1800000000;
  AccountBook book_{SampleAccountsUnlocked()};
  admit::LogOnGate gate_;

  static std::vector<Account> SampleAccountsUnlocked() {
    std::vector<Account> accounts = SampleAccounts();
    accounts[1].failures = 0;
    accounts[1].lockedUntil = 0;
    return accounts;
  }
  admit::LogOnOutcome Try(const std::string& name, int secret, uint64_t now) {
    return gate_.Attempt(book_, name, now, Typing(secret));
  }
};

TEST_F(Gate, RightPasswordGivesTheAccountsRights) {
  EXPECT_EQ(Try("chief", 1, kNow).verdict, Verdict::kFull);
  EXPECT_EQ(Try("CHIEF", 1, kNow).verdict, Verdict::kFull);
  EXPECT_EQ(Try("Wang Fang \xE7\x8E\x8B", 2, kNow).verdict, Verdict::kRestricted);
  EXPECT_EQ(Try("chief", 2, kNow).verdict, Verdict::kRefused);
  EXPECT_EQ(Try("Wang Fang \xE7\x8E\x8B", 1, kNow).verdict, Verdict::kRefused);
}

TEST_F(Gate, FiveWrongPasswordsLockForOneMinuteAndTheLockEnds) {
  for (int i = 0; i < 4; ++i) {
    admit::LogOnOutcome outcome = Try("chief", 9, kNow + i);
    EXPECT_EQ(outcome.verdict, Verdict::kRefused);
    EXPECT_TRUE(outcome.bookChanged);
  }
  EXPECT_EQ(book_.Find("chief")->failures, 4u);
  admit::LogOnOutcome fifth = Try("chief", 9, kNow + 10);
  EXPECT_EQ(fifth.verdict, Verdict::kLocked);
  EXPECT_EQ(fifth.lockSeconds, 60u);
  EXPECT_EQ(book_.Find("chief")->lockedUntil, kNow + 70);

  // Locked: even the right password is not looked at, and the lock is not prolonged.
  int hashed = 0;
  admit::LogOnOutcome during = gate_.Attempt(book_, "chief", kNow + 69, Typing(1, &hashed));
  EXPECT_EQ(during.verdict, Verdict::kLocked);
  EXPECT_EQ(during.lockSeconds, 1u);
  EXPECT_EQ(hashed, 0);
  EXPECT_EQ(book_.Find("chief")->lockedUntil, kNow + 70);
  // Another user is not affected.
  EXPECT_EQ(Try("Wang Fang \xE7\x8E\x8B", 2, kNow + 20).verdict, Verdict::kRestricted);

  admit::LogOnOutcome after = Try("chief", 1, kNow + 70);
  EXPECT_EQ(after.verdict, Verdict::kFull);
  EXPECT_TRUE(after.bookChanged);
  EXPECT_EQ(book_.Find("chief")->lockedUntil, 0u);
}

TEST_F(Gate, ARightPasswordStartsTheCountAgain) {
  for (int round = 0; round < 3; ++round) {
    for (int i = 0; i < 4; ++i) {
      EXPECT_EQ(Try("chief", 9, kNow).verdict, Verdict::kRefused);
    }
    EXPECT_EQ(Try("chief", 1, kNow).verdict, Verdict::kFull);
    EXPECT_EQ(book_.Find("chief")->failures, 0u);
  }
}

TEST_F(Gate, ALockFromAClockSetBackEndsWithinAMinute) {
  book_.Find("chief")->lockedUntil = kNow + 86400;
  admit::LogOnOutcome outcome = Try("chief", 1, kNow);
  EXPECT_EQ(outcome.verdict, Verdict::kLocked);
  EXPECT_EQ(outcome.lockSeconds, 60u);
  EXPECT_TRUE(outcome.bookChanged);
  EXPECT_EQ(Try("chief", 1, kNow + 60).verdict, Verdict::kFull);
}

TEST_F(Gate, AnUnknownNameAnswersLikeAWrongPassword) {
  int knownCalls = 0;
  int unknownCalls = 0;
  for (int i = 0; i < 5; ++i) {
    admit::LogOnOutcome known = gate_.Attempt(book_, "chief", kNow, Typing(9, &knownCalls));
    admit::LogOnOutcome unknown = gate_.Attempt(book_, "nobody", kNow, Typing(9, &unknownCalls));
    EXPECT_EQ(known.verdict, unknown.verdict) << i;
    EXPECT_EQ(known.lockSeconds, unknown.lockSeconds) << i;
    // Both ask for the same write, so a file that cannot be written warns for both.
    EXPECT_EQ(known.bookChanged, unknown.bookChanged) << i;
  }
  EXPECT_EQ(Try("nobody", 9, kNow + 30).verdict, Verdict::kLocked);
  EXPECT_EQ(knownCalls, unknownCalls);
  EXPECT_EQ(book_.Accounts().size(), 2u);
  EXPECT_EQ(Try("nobody", 9, kNow + 60).verdict, Verdict::kRefused);
}

TEST_F(Gate, SixtyFourUnknownNamesAreRememberedTheOldestForgottenFirst) {
  for (int i = 0; i < 5; ++i) {
    Try("nobody", 9, kNow);
  }
  for (int others = 1; others <= 64; ++others) {
    Try("stranger" + std::to_string(others), 9, kNow);
    // "nobody" and 63 others fit; the 64th other pushes "nobody" out.
    EXPECT_EQ(gate_.Attempt(book_, "nobody", kNow, Typing(9)).verdict,
              others < 64 ? Verdict::kLocked : Verdict::kRefused)
        << others;
  }
}

TEST_F(Gate, FailedHashingRefusesWithoutCounting) {
  admit::LogOnOutcome outcome = gate_.Attempt(
      book_, "chief", kNow, [](const admit::Salt&, uint32_t, admit::Hash&) { return false; });
  EXPECT_EQ(outcome.verdict, Verdict::kHashFailed);
  EXPECT_EQ(book_.Find("chief")->failures, 0u);
}

TEST_F(Gate, AnOldIterationCountAsksForANewHash) {
  Account old = MakeAccount("old", Rights::kRestricted, 5, 7);
  old.iterations = admit::kMinIterations;
  old.hash = FakeHash(5, old.salt, old.iterations);
  ASSERT_EQ(book_.Add(old), "");
  admit::LogOnOutcome outcome = Try("old", 5, kNow);
  EXPECT_EQ(outcome.verdict, Verdict::kRestricted);
  EXPECT_TRUE(outcome.wantsNewHash);
  EXPECT_FALSE(Try("chief", 1, kNow).wantsNewHash) << "at the default count";
  book_.Find("old")->iterations = admit::kDefaultIterations - 1;
  book_.Find("old")->hash = FakeHash(5, old.salt, admit::kDefaultIterations - 1);
  EXPECT_TRUE(Try("old", 5, kNow).wantsNewHash);
  book_.Find("old")->iterations = admit::kDefaultIterations + 1;
  book_.Find("old")->hash = FakeHash(5, old.salt, admit::kDefaultIterations + 1);
  EXPECT_FALSE(Try("old", 5, kNow).wantsNewHash);
}

TEST_F(Gate, WrongPasswordsAreRememberedWhenTheFileIsReadAgain) {
  // The file could not be written: every reading gives the counts it had at the start.
  const std::vector<Account> onDisk = SampleAccountsUnlocked();
  for (int i = 0; i < 4; ++i) {
    book_ = AccountBook(onDisk);
    EXPECT_EQ(Try("chief", 9, kNow + i).verdict, Verdict::kRefused) << i;
  }
  book_ = AccountBook(onDisk);
  EXPECT_EQ(Try("chief", 9, kNow + 5).verdict, Verdict::kLocked);
  book_ = AccountBook(onDisk);
  EXPECT_EQ(Try("chief", 1, kNow + 6).verdict, Verdict::kLocked);

  // Another program counted further: its count goes on.
  std::vector<Account> counted = onDisk;
  counted[1].failures = 3;
  book_ = AccountBook(counted);
  EXPECT_EQ(Try("Wang Fang \xE7\x8E\x8B", 9, kNow).verdict, Verdict::kRefused);
  EXPECT_EQ(book_.Find("Wang Fang \xE7\x8E\x8B")->failures, 4u);
  // A new password set in the editor ends what this program remembered.
  gate_.Forget("chief");
  book_ = AccountBook(onDisk);
  EXPECT_EQ(Try("chief", 1, kNow + 7).verdict, Verdict::kFull);
}

TEST(GateCounts, NewHashesAndUnknownNamesUseTheGivenCount) {
  AccountBook book(SampleAccounts());
  admit::LogOnGate gate(700000);  // a later release's count
  std::vector<uint32_t> counts;
  const admit::PasswordHasher recording = [&counts](const admit::Salt& salt, uint32_t iterations,
                                                    admit::Hash& hash) {
    counts.push_back(iterations);
    hash = FakeHash(1, salt, iterations);
    return true;
  };
  admit::LogOnOutcome chief = gate.Attempt(book, "chief", 1800000000, recording);
  EXPECT_EQ(chief.verdict, Verdict::kFull);
  EXPECT_TRUE(chief.wantsNewHash) << "hashed with today's default";
  gate.Attempt(book, "stranger", 1800000000, recording);
  EXPECT_EQ(counts, (std::vector<uint32_t>{admit::kDefaultIterations, 700000}));
  EXPECT_EQ(admit::kDefaultIterations, 600000u);
}

TEST(AccountRules, TheLastAccountWithFullRightsStays) {
  AccountBook book(SampleAccounts());
  EXPECT_EQ(book.Remove("chief"),
            "\"chief\" is the last account with full rights; add another account with full "
            "rights first");
  EXPECT_NE(book.SetRights("Chief", Rights::kRestricted), "");
  EXPECT_EQ(book.FullRightsCount(), 1u);
  EXPECT_EQ(book.Accounts().size(), 2u);

  EXPECT_EQ(book.SetRights("Wang Fang \xE7\x8E\x8B", Rights::kFull), "");
  EXPECT_EQ(book.SetRights("chief", Rights::kRestricted), "");
  EXPECT_NE(book.Remove("Wang Fang \xE7\x8E\x8B"), "");
  EXPECT_EQ(book.Remove("chief"), "");
  EXPECT_EQ(book.Accounts().size(), 1u);
  EXPECT_EQ(book.Remove("chief"), "there is no user named \"chief\"");
}

// Rights changes and removals of a full and a restricted account, with one and with two
// accounts of full rights: only what would leave none with full rights is refused.
TEST(AccountRules, EveryRightsChangeAndRemovalByTheCountOfFullRights) {
  for (int fullAccounts = 1; fullAccounts <= 2; ++fullAccounts) {
    for (Rights target : {Rights::kFull, Rights::kRestricted}) {
      for (Rights wanted : {Rights::kFull, Rights::kRestricted}) {
        std::vector<Account> accounts = SampleAccounts();  // chief full, one restricted
        if (fullAccounts == 2) {
          accounts.push_back(MakeAccount("second", Rights::kFull, 4, 9));
        }
        const std::string name = target == Rights::kFull ? "chief" : accounts[1].name;
        const bool lastFull = target == Rights::kFull && fullAccounts == 1;
        SCOPED_TRACE(testing::Message() << name << " of " << fullAccounts << " full accounts");
        AccountBook book(accounts);
        EXPECT_EQ(book.SetRights(name, wanted).empty(), !(lastFull && wanted != Rights::kFull));
        EXPECT_EQ(book.FullRightsCount() >= 1, true);
        AccountBook removing(accounts);
        EXPECT_EQ(removing.Remove(name).empty(), !lastFull);
        EXPECT_EQ(removing.Find(name) == nullptr, !lastFull);
      }
    }
  }
  AccountBook book(SampleAccounts());
  EXPECT_EQ(book.SetRights("nobody", Rights::kFull), "there is no user named \"nobody\"");
  EXPECT_EQ(book.SetHash("nobody", {}, {}, admit::kDefaultIterations),
            "there is no user named \"nobody\"");
}

TEST(AccountRules, AddRefusesBadNamesDuplicatesAndWeakCounts) {
  AccountBook book(SampleAccounts());
  EXPECT_EQ(book.Add(MakeAccount("CHIEF", Rights::kFull, 3, 1)),
            "a user named \"CHIEF\" already exists");
  EXPECT_EQ(book.Add(MakeAccount(" lead", Rights::kFull, 3, 1)),
            "the user name starts or ends with a blank");
  Account weak = MakeAccount("lead", Rights::kFull, 3, 1);
  weak.iterations = admit::kMinIterations - 1;
  EXPECT_NE(book.Add(weak), "");
  EXPECT_NE(book.SetHash("chief", weak.salt, weak.hash, weak.iterations), "");
  EXPECT_EQ(book.Accounts().size(), 2u);

  Account lead = MakeAccount("lead", Rights::kFull, 3, 1);
  EXPECT_EQ(book.Add(lead), "");
  EXPECT_EQ(book.FullRightsCount(), 2u);
  // A new password clears the lock.
  book.Find("Wang Fang \xE7\x8E\x8B")->lockedUntil = 1;
  EXPECT_EQ(book.SetHash("Wang Fang \xE7\x8E\x8B", lead.salt, lead.hash, 200000), "");
  EXPECT_EQ(book.Find("Wang Fang \xE7\x8E\x8B")->lockedUntil, 0u);
  EXPECT_EQ(book.Find("Wang Fang \xE7\x8E\x8B")->failures, 0u);
  EXPECT_EQ(book.Find("Wang Fang \xE7\x8E\x8B")->iterations, 200000u);
}

TEST(AccountRules, TheEditorStopsAtTheMostTheFileHolds) {
  std::vector<Account> accounts;
  for (size_t i = 0; i < admit::kMaxAccounts; ++i) {
    accounts.push_back(MakeAccount("user" + std::to_string(i),
                                   i == 0 ? Rights::kFull : Rights::kRestricted, 1, 1));
  }
  AccountBook book(accounts);
  EXPECT_EQ(book.Add(MakeAccount("one more", Rights::kRestricted, 1, 1)),
            "there are already 1000 accounts, the most the accounts file holds; remove one first");
  // What the editor can make, the next start reads.
  EXPECT_EQ(admit::ParseAccountFile(admit::FormatAccountFile(book.Accounts())).problem, "");
  ASSERT_EQ(book.Remove("user999"), "");
  EXPECT_EQ(book.Add(MakeAccount("one more", Rights::kRestricted, 1, 1)), "");
}

TEST(UserNames, NewNamesCannotHideCharactersOrTurnTheText) {
  struct Case {
    const char* name;
    const char* hidden;  // nullptr: accepted
  };
  const Case cases[] = {
      {"op\xE2\x80\xAE"
       "exe.txt",
       "U+202E"},  // right-to-left override
      {"op\xE2\x81\xA6"
       "1",
       "U+2066"},  // left-to-right isolate
      {"le\xE2\x80\x8B"
       "ad",
       "U+200B"},  // zero-width space
      {"le\xE2\x80\x8D"
       "ad",
       "U+200D"},  // zero-width joiner
      {"lead\xC2\xA0"
       "2",
       "U+00A0"},  // no-break space
      {"lead\xE3\x80\x80"
       "2",
       "U+3000"},  // ideographic space
      {"\xEF\xBB\xBF"
       "lead",
       "U+FEFF"},  // byte order mark
      {"lea\xC2\xAD"
       "d",
       "U+00AD"},                           // soft hyphen
      {"lead\xF3\xA0\x80\x81", "U+E0001"},  // language tag
      {"\xE3\x85\xA4"
       "lead",
       "U+3164"},  // Hangul filler
      {"Wang Fang \xE7\x8E\x8B", nullptr},
      {"\xC3\x89mile-2", nullptr},
      {"line lead", nullptr},
  };
  for (const Case& c : cases) {
    const std::string problem = admit::NewUserNameProblem(c.name);
    if (c.hidden == nullptr) {
      EXPECT_EQ(problem, "") << c.name;
    } else {
      EXPECT_EQ(problem, std::string("the user name contains an invisible or direction-changing "
                                     "character (") +
                             c.hidden + ")")
          << c.name;
      // A file written by an earlier release with such a name is still read.
      EXPECT_EQ(admit::UserNameProblem(c.name), "") << c.name;
    }
  }
  AccountBook book(SampleAccounts());
  EXPECT_NE(book.Add(MakeAccount("op\xE2\x80\xAE"
                                 "1",
                                 Rights::kRestricted, 1, 1)),
            "");
}

// Every rule of a user name at, below and above its bound.
TEST(UserNames, EveryCharacterRuleAtItsBounds) {
  const std::string letters32 = std::string(32, 'x');
  const std::string han = "\xE7\x8E\x8B";  // three bytes, one character
  std::string han32;
  for (int i = 0; i < 32; ++i) {
    han32 += han;
  }
  const std::pair<std::string, const char*> names[] = {
      {"a", ""},
      {letters32, ""},
      {letters32 + "x", "longer than 32"},
      {han32, ""},
      {han32 + "x", "longer than 32"},
      {"", "empty"},
      {" a", "blank"},
      {"a ", "blank"},
      {"\ta", "blank"},
      {"a\t", "blank"},
      {"a b", ""},
      {std::string("a\0b", 3), "control"},
      {"a\x1F", "control"},
      {"a\x20z", ""},
      {"a~", ""},
      {"a\x7F", "control"},
      {"a\xC2\x80", "control"},  // U+0080
      {"a\xC2\x9F", "control"},  // U+009F
      {"a\xC2\xA0", ""},         // U+00A0
      {"\xC3\xA9mile", ""},
      {"\xC0\xAF", "UTF-8"},          // overlong "/"
      {"\xE0\x80\xAF", "UTF-8"},      // overlong in three bytes
      {"\xF0\x80\x80\xAF", "UTF-8"},  // overlong in four bytes
      {"\xED\x9F\xBF", ""},           // U+D7FF
      {"\xED\xA0\x80", "UTF-8"},      // U+D800, a surrogate
      {"\xED\xBF\xBF", "UTF-8"},      // U+DFFF
      {"\xEE\x80\x80", ""},           // U+E000
      {"\xF4\x8F\xBF\xBF", ""},       // U+10FFFF
      {"\xF4\x90\x80\x80", "UTF-8"},  // U+110000
      {"\xF8\x88\x80\x80\x80", "UTF-8"},
      {"a\xE7\x8E", "UTF-8"},  // cut short
      {"a\x8E", "UTF-8"},      // a lone continuation byte
      {"\xE7\x41\x8B", "UTF-8"},
  };
  for (const auto& [name, problem] : names) {
    const std::string found = admit::UserNameProblem(name);
    if (*problem == '\0') {
      EXPECT_EQ(found, "") << name;
    } else {
      EXPECT_NE(found.find(problem), std::string::npos) << name << ": " << found;
    }
  }
  EXPECT_TRUE(admit::SameUserName("Line-Lead_2", "line-lead_2"));
  EXPECT_TRUE(admit::SameUserName("AZaz", "azAZ"));
  EXPECT_FALSE(admit::SameUserName("lead", "lead "));
  EXPECT_FALSE(admit::SameUserName("@[", "`{"));  // beside the letters: no case
  EXPECT_FALSE(admit::SameUserName("\xC3\x89mile", "\xC3\xA9mile"));
  EXPECT_EQ(admit::TrimBlanks("  a b \t"), "a b");
  EXPECT_EQ(admit::TrimBlanks(" \t "), "");
}

TEST(Lockout, EveryBoundOfTheCountAndTheMinute) {
  constexpr uint64_t kNow = 1800000000;
  Account account;
  for (uint32_t failure = 1; failure <= 10; ++failure) {
    const bool locked = admit::RecordFailure(account, kNow);
    EXPECT_EQ(locked, failure % 5 == 0) << failure;
    EXPECT_EQ(account.failures, failure % 5) << failure;
    EXPECT_EQ(account.lockedUntil, failure >= 5 ? kNow + 60 : 0u) << failure;
  }
  const std::pair<uint64_t, uint64_t> left[] = {// locked until -> seconds left
                                                {0, 0},          {kNow - 1, 0},   {kNow, 0},
                                                {kNow + 1, 1},   {kNow + 60, 60}, {kNow + 61, 60},
                                                {UINT64_MAX, 60}};
  for (const auto& [until, seconds] : left) {
    account.lockedUntil = until;
    EXPECT_EQ(admit::LockSecondsLeft(account, kNow), seconds) << until - kNow;
    Account clamped = account;
    EXPECT_EQ(admit::ClampLock(clamped, kNow), until > kNow + 60) << until - kNow;
    EXPECT_EQ(clamped.lockedUntil, until > kNow + 60 ? kNow + 60 : until);
  }
  admit::RecordSuccess(account);
  EXPECT_EQ(account.failures + account.lockedUntil, 0u);
}

TEST(AccountRules, IterationCountsAtTheirBounds) {
  const std::pair<uint32_t, bool> counts[] = {{admit::kMinIterations - 1, false},
                                              {admit::kMinIterations, true},
                                              {admit::kMaxIterations, true},
                                              {admit::kMaxIterations + 1, false}};
  for (const auto& [iterations, accepted] : counts) {
    AccountBook book(SampleAccounts());
    Account account = MakeAccount("lead", Rights::kRestricted, 3, 1);
    account.iterations = iterations;
    EXPECT_EQ(book.Add(account).empty(), accepted) << iterations;
    EXPECT_EQ(book.SetHash("chief", account.salt, account.hash, iterations).empty(), accepted)
        << iterations;
    const std::string text = admit::FormatAccountFile({MakeAccount("chief", Rights::kFull, 1, 3)});
    const std::string number = "Iterations=" + std::to_string(iterations);
    EXPECT_EQ(admit::ParseAccountFile(Replace(text, "Iterations=" + std::to_string(admit::kDefaultIterations), number)).problem.empty(),
              accepted)
        << iterations;
  }
}

TEST(AccountFile, NumbersAtTheirBounds) {
  const std::string one = admit::FormatAccountFile({MakeAccount("chief", Rights::kFull, 1, 3)});
  const std::pair<std::string, bool> values[] = {
      {"Failures=4", true},
      {"Failures=5", false},
      {"Failures=04", true},
      {"Failures=", false},
      {"LockedUntil=253402300799", true},
      {"LockedUntil=253402300800", false},
      {"LockedUntil=+1", false},
  };
  for (const auto& [line, accepted] : values) {
    const std::string key = line.substr(0, line.find('=') + 1);
    const size_t at = one.find(key);
    std::string text = one;
    text.replace(at, one.find('\n', at) - at, line);
    EXPECT_EQ(admit::ParseAccountFile(text).problem.empty(), accepted) << line;
  }
  std::vector<Account> many;
  for (int i = 0; i < 1001; ++i) {
    many.push_back(MakeAccount("user" + std::to_string(i), Rights::kFull, 1, 3));
  }
  std::vector<Account> thousand(many.begin(), many.end() - 1);
  EXPECT_EQ(admit::ParseAccountFile(admit::FormatAccountFile(thousand)).accounts.size(), 1000u);
  EXPECT_NE(admit::ParseAccountFile(admit::FormatAccountFile(many)).problem, "");
}

TEST(Hex, EveryDigitAndItsNeighbours) {
  const std::string digits = "0123456789abcdefABCDEF";
  for (char c : digits) {
    uint8_t byte = 0;
    EXPECT_TRUE(admit::FromHex(std::string(2, c), &byte, 1)) << c;
    const int value = c <= '9' ? c - '0' : (c | 0x20) - 'a' + 10;
    EXPECT_EQ(byte, value * 17) << c;
  }
  for (char c : std::string("/:@G`g \0", 8)) {
    uint8_t byte = 0;
    EXPECT_FALSE(admit::FromHex(std::string("0") + c, &byte, 1)) << int(c);
    EXPECT_FALSE(admit::FromHex(std::string(1, c) + "0", &byte, 1)) << int(c);
  }
  const uint8_t bytes[] = {0x00, 0x0F, 0xA5, 0xFF};
  EXPECT_EQ(admit::ToHex(bytes, 4), "000fa5ff");
  uint8_t back[4] = {};
  EXPECT_TRUE(admit::FromHex("000FA5ff", back, 4));
  EXPECT_EQ(std::memcmp(back, bytes, 4), 0);
  EXPECT_FALSE(admit::FromHex("000fa5f", back, 4));
  EXPECT_FALSE(admit::FromHex("000fa5ff0", back, 4));
}

TEST(ConstantTime, FindsADifferenceAnywhere) {
  admit::Hash a{};
  for (size_t i = 0; i < a.size(); ++i) {
    admit::Hash b = a;
    b[i] ^= 0x80;
    EXPECT_FALSE(admit::EqualInConstantTime(a.data(), b.data(), a.size())) << i;
  }
  admit::Hash same = a;
  EXPECT_TRUE(admit::EqualInConstantTime(a.data(), same.data(), a.size()));
}

}  // namespace
