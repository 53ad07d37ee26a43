#include "AccountFile.h"

#include <array>
#include <cstdint>

#include "Hex.h"
#include "Lockout.h"
#include "UserName.h"

namespace admit {
namespace {

enum Key { kName, kRights, kIterations, kSalt, kHash, kFailures, kLockedUntil, kKeyCount };
constexpr std::array<std::string_view, kKeyCount> kKeys = {"Name", "Rights",   "Iterations", "Salt",
                                                           "Hash", "Failures", "LockedUntil"};

constexpr std::string_view kHeading =
    "; Varnex operator accounts, written by the account editor: do not edit by hand.\n"
    "; Passwords are not in this file, only salted PBKDF2-HMAC-SHA256 hashes of them.\n";

// Decimal digits only, no sign or blanks, at most `maximum`.
bool ParseNumber(std::string_view text, uint64_t maximum, uint64_t& value) {
  if (text.empty() || text.size() > 20) {
    return false;
  }
  value = 0;
  for (char c : text) {
    if (c < '0' || c > '9') {
      return false;
    }
    uint64_t digit = static_cast<uint64_t>(c - '0');
    if (digit > maximum || value > (maximum - digit) / 10) {
      return false;
    }
    value = value * 10 + digit;
  }
  return true;
}

std::string AtLine(size_t line, const std::string& what) {
  return "line " + std::to_string(line) + ": " + what;
}

class Parser {
 public:
  ParsedAccounts Run(std::string_view text);

 private:
  std::string Line(std::string_view line);
  std::string HeaderValue(std::string_view key, std::string_view value);
  std::string AccountValue(Key key, std::string_view value);
  std::string FinishAccount();

  enum class Section { kNone, kHeader, kAccount };
  Section section_ = Section::kNone;
  size_t lineNumber_ = 0;
  bool seenHeader_ = false;
  bool hasFormat_ = false;
  bool hasCount_ = false;
  uint64_t count_ = 0;
  size_t accountLine_ = 0;
  std::array<bool, kKeyCount> seen_{};
  Account account_;
  ParsedAccounts result_;
};

ParsedAccounts Parser::Run(std::string_view text) {
  if (text.substr(0, 3) == "\xEF\xBB\xBF") {
    text.remove_prefix(3);
  }
  if (text.empty()) {
    result_.problem = "the file is empty";
    return result_;
  }
  if (text.back() != '\n') {
    result_.problem = "the file is cut off: its last line is incomplete";
    return result_;
  }
  size_t start = 0;
  while (start < text.size() && result_.problem.empty()) {
    size_t end = text.find('\n', start);
    std::string_view line = text.substr(start, end - start);
    if (!line.empty() && line.back() == '\r') {
      line.remove_suffix(1);
    }
    ++lineNumber_;
    result_.problem = Line(line);
    start = end + 1;
  }
  if (result_.problem.empty() && section_ == Section::kAccount) {
    result_.problem = FinishAccount();
  }
  if (result_.problem.empty()) {
    if (!seenHeader_ || !hasFormat_ || !hasCount_) {
      result_.problem = "the [Accounts] section with Format and Count is missing";
    } else if (result_.accounts.size() != count_) {
      result_.problem = "Count says " + std::to_string(count_) + " accounts but the file has " +
                        std::to_string(result_.accounts.size()) + " (the file is cut off?)";
    } else {
      bool anyFull = false;
      for (const Account& account : result_.accounts) {
        anyFull = anyFull || account.rights == Rights::kFull;
      }
      if (!anyFull) {
        result_.problem = "no account has full rights";
      }
    }
  }
  if (!result_.problem.empty()) {
    result_.accounts.clear();
  }
  return result_;
}

std::string Parser::Line(std::string_view line) {
  if (TrimBlanks(line).empty() || line[0] == ';' || line[0] == '#') {
    return std::string();
  }
  if (line == "[Accounts]") {
    if (seenHeader_) {
      return AtLine(lineNumber_, "a second [Accounts] section");
    }
    seenHeader_ = true;
    section_ = Section::kHeader;
    return std::string();
  }
  if (line == "[Account]") {
    if (!seenHeader_) {
      return AtLine(lineNumber_, "[Account] before the [Accounts] section");
    }
    std::string problem = section_ == Section::kAccount ? FinishAccount() : std::string();
    if (!problem.empty()) {
      return problem;
    }
    if (result_.accounts.size() >= kMaxAccounts) {
      return AtLine(lineNumber_, "more than 1000 accounts");
    }
    section_ = Section::kAccount;
    accountLine_ = lineNumber_;
    seen_.fill(false);
    account_ = Account();
    return std::string();
  }
  if (line[0] == '[') {
    return AtLine(lineNumber_, "unknown section \"" + std::string(line) + "\"");
  }
  size_t equals = line.find('=');
  if (equals == std::string_view::npos) {
    return AtLine(lineNumber_, "not a Key=Value line");
  }
  std::string_view key = line.substr(0, equals);
  std::string_view value = line.substr(equals + 1);
  if (section_ == Section::kNone) {
    return AtLine(lineNumber_, "a value outside any section");
  }
  if (section_ == Section::kHeader) {
    return HeaderValue(key, value);
  }
  for (size_t k = 0; k < kKeyCount; ++k) {
    if (key == kKeys[k]) {
      if (seen_[k]) {
        return AtLine(lineNumber_, std::string(key) + " given twice");
      }
      seen_[k] = true;
      return AccountValue(static_cast<Key>(k), value);
    }
  }
  return AtLine(lineNumber_, "unknown key \"" + std::string(key) + "\"");
}

std::string Parser::HeaderValue(std::string_view key, std::string_view value) {
  if (key == "Format") {
    if (hasFormat_) {
      return AtLine(lineNumber_, "Format given twice");
    }
    hasFormat_ = true;
    return value == "1" ? std::string()
                        : AtLine(lineNumber_, "unknown format \"" + std::string(value) + "\"");
  }
  if (key == "Count") {
    if (hasCount_) {
      return AtLine(lineNumber_, "Count given twice");
    }
    hasCount_ = true;
    return ParseNumber(value, kMaxAccounts, count_) && count_ > 0
               ? std::string()
               : AtLine(lineNumber_, "Count must be a number from 1 to 1000");
  }
  return AtLine(lineNumber_, "unknown key \"" + std::string(key) + "\"");
}

std::string Parser::AccountValue(Key key, std::string_view value) {
  uint64_t number = 0;
  switch (key) {
    case kName: {
      std::string problem = UserNameProblem(value);
      if (!problem.empty()) {
        return AtLine(lineNumber_, problem);
      }
      for (const Account& other : result_.accounts) {
        if (SameUserName(other.name, value)) {
          return AtLine(lineNumber_, "the user \"" + std::string(value) + "\" appears twice");
        }
      }
      account_.name = std::string(value);
      return std::string();
    }
    case kRights:
      if (value == "full") {
        account_.rights = Rights::kFull;
      } else if (value == "restricted") {
        account_.rights = Rights::kRestricted;
      } else {
        return AtLine(lineNumber_,
                      "unknown rights \"" + std::string(value) + "\" (full or restricted)");
      }
      return std::string();
    case kIterations:
      if (!ParseNumber(value, kMaxIterations, number)) {
        return AtLine(lineNumber_, "Iterations must be a number from 100000 to 10000000");
      }
      if (number < kMinIterations) {
        return AtLine(lineNumber_, "the iteration count " + std::to_string(number) +
                                       " is below the minimum of 100000");
      }
      account_.iterations = static_cast<uint32_t>(number);
      return std::string();
    case kSalt:
      return FromHex(value, account_.salt.data(), kSaltBytes)
                 ? std::string()
                 : AtLine(lineNumber_, "the salt must be 32 hexadecimal digits");
    case kHash:
      return FromHex(value, account_.hash.data(), kHashBytes)
                 ? std::string()
                 : AtLine(lineNumber_, "the hash must be 64 hexadecimal digits");
    case kFailures:
      if (!ParseNumber(value, kFailuresBeforeLock - 1, number)) {
        return AtLine(lineNumber_, "Failures must be a number from 0 to 4");
      }
      account_.failures = static_cast<uint32_t>(number);
      return std::string();
    case kLockedUntil:
      if (!ParseNumber(value, kLatestTime, number)) {
        return AtLine(lineNumber_, "LockedUntil must be a time in seconds since 1970");
      }
      account_.lockedUntil = number;
      return std::string();
    case kKeyCount:
      break;
  }
  return std::string();
}

std::string Parser::FinishAccount() {
  for (size_t k = 0; k < kKeyCount; ++k) {
    if (!seen_[k]) {
      return AtLine(accountLine_, "the account has no " + std::string(kKeys[k]));
    }
  }
  result_.accounts.push_back(account_);
  return std::string();
}

}  // namespace

ParsedAccounts ParseAccountFile(std::string_view text) {
  return Parser().Run(text);
}

std::string FormatAccountFile(const std::vector<Account>& accounts) {
  std::string text(kHeading);
  text += "[Accounts]\nFormat=1\nCount=" + std::to_string(accounts.size()) + "\n";
  for (const Account& account : accounts) {
    text += "\n[Account]\nName=" + account.name;
    text += "\nRights=";
    text += account.rights == Rights::kFull ? "full" : "restricted";
    text += "\nIterations=" + std::to_string(account.iterations);
    text += "\nSalt=" + ToHex(account.salt.data(), account.salt.size());
    text += "\nHash=" + ToHex(account.hash.data(), account.hash.size());
    text += "\nFailures=" + std::to_string(account.failures);
    text += "\nLockedUntil=" + std::to_string(account.lockedUntil) + "\n";
  }
  return text;
}

}  // namespace admit
