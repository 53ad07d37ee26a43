// The accounts file decides who may use the station: any bytes must be read without harm, and
// whatever is accepted must write back to a file that reads the same. The names it accepts
// also go through the rule for new names.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "AccountFile.h"
#include "UserName.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string_view text(reinterpret_cast<const char*>(data), size);
  admit::ParsedAccounts parsed = admit::ParseAccountFile(text);
  if (!parsed.problem.empty()) {
    if (!parsed.accounts.empty()) {
      std::abort();
    }
    return 0;
  }
  // The rule for new names is the file's rule and more: it never accepts what the file refuses.
  for (const admit::Account& account : parsed.accounts) {
    if (!admit::UserNameProblem(account.name).empty()) {
      std::abort();
    }
    admit::NewUserNameProblem(account.name);
  }
  const std::string written = admit::FormatAccountFile(parsed.accounts);
  admit::ParsedAccounts again = admit::ParseAccountFile(written);
  if (!again.problem.empty() || again.accounts.size() != parsed.accounts.size() ||
      admit::FormatAccountFile(again.accounts) != written) {
    std::abort();
  }
  return 0;
}
