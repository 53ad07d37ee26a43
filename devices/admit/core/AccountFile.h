// The text of the accounts file. It looks like a profile file, but is read strictly: anything
// unexpected makes the whole file unusable, so that a damaged or altered file never lets
// anyone in.
//
//   [Accounts]
//   Format=1
//   Count=<number of [Account] sections>
//
//   [Account]
//   Name=<user name, UTF-8>
//   Rights=full | restricted
//   Iterations=<PBKDF2 iteration count>
//   Salt=<32 hexadecimal digits>
//   Hash=<64 hexadecimal digits>
//   Failures=<wrong passwords in a row, 0 to 4>
//   LockedUntil=<seconds since 1970-01-01 UTC, 0 = not locked>
//
// Lines end in LF or CR LF and the last line too; blank lines and lines starting with ';' or
// '#' are skipped; a UTF-8 byte order mark is allowed.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "Account.h"

namespace admit {

inline constexpr uint64_t kLatestTime = 253402300799;  // 9999-12-31 23:59:59 UTC

struct ParsedAccounts {
  std::vector<Account> accounts;
  std::string problem;  // empty when the file is sound; else "line N: ..." and what is wrong
};

ParsedAccounts ParseAccountFile(std::string_view text);
std::string FormatAccountFile(const std::vector<Account>& accounts);

}  // namespace admit
