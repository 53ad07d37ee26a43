// A second program on one accounts file, started twice at once by the accounts tests:
//   AccountsWorker.exe <accounts file> <name prefix> <accounts to add> <user> <wrong passwords>
// adds the accounts <prefix>1.. one by one, then tries the user with as many wrong passwords.
// Exit code 0 when every change was made, else the step that failed.
#include <cstdlib>
#include <string>

#include "AccountService.h"
#include "Secret.h"
#include "TestPasswords.h"

namespace {

std::wstring Widen(const char* text) {
  std::wstring wide;
  for (const char* c = text; *c != '\0'; ++c) {
    wide += static_cast<wchar_t>(static_cast<unsigned char>(*c));
  }
  return wide;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 6) {
    return 2;
  }
  admit::AccountService service(Widen(argv[1]), admit::SystemSeconds, admit::kMinIterations);
  if (service.Load() != admit::Loaded::kOk) {
    return 3;
  }
  const int accounts = std::atoi(argv[3]);
  const int wrongTries = std::atoi(argv[5]);
  admit::Secret password;
  password.Assign(MadeUpPassword().c_str());
  for (int i = 1; i <= accounts; ++i) {
    if (!service
             .AddAccount(std::string(argv[2]) + std::to_string(i), password,
                         admit::Rights::kRestricted)
             .empty()) {
      return 10 + i;
    }
  }
  admit::Secret wrong;
  wrong.Assign(MadeUpPassword(20).c_str());
  for (int i = 0; i < wrongTries; ++i) {
    if (service.LogOn(argv[4], wrong).result != admit::LogOnResult::kRefused) {
      return 50 + i;
    }
  }
  return 0;
}
