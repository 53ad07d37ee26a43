// The log-on dialog: user name and password, answered in the dialog until a log-on succeeds
// or the operator cancels.
#pragma once

#include <cstdint>
#include <string>

#include <windows.h>

namespace admit {

class AccountService;

enum class LogOnPurpose {
  kStation,        // any account: full or restricted rights
  kAccountEditor,  // only an account with full rights may pass
};

// 1 = full rights, 2 = restricted rights, 0 = cancelled or the accounts file failed. `userName`,
// when given, receives the name of the user let in (UTF-8).
int32_t RunLogOnDialog(HINSTANCE module, HWND owner, AccountService& service, LogOnPurpose purpose,
                       std::string* userName = nullptr);

}  // namespace admit
