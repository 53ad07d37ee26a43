// One form for a new account (the first one, or one more from the editor) and for a new
// password: user name, rights, and the password typed twice.
#pragma once

#include <string>

#include <windows.h>

namespace admit {

class AccountService;

enum class FormPurpose {
  kFirstAccount,  // no accounts file yet: the first account, always with full rights
  kNewAccount,
  kNewPassword,  // for the named user
};

// IDOK when the account was created or the password changed and written, else IDCANCEL.
INT_PTR RunAccountForm(HINSTANCE module, HWND owner, AccountService& service, FormPurpose purpose,
                       const std::string& userName = std::string());

}  // namespace admit
