// The account editor: the list of users with their rights, and buttons to add and remove
// users, set a new password and switch rights. Every change is written at once.
#pragma once

#include <windows.h>

namespace admit {

class AccountService;

void RunAccountEditor(HINSTANCE module, HWND owner, AccountService& service);

}  // namespace admit
