#include "AccountFormDialog.h"

#include <cwctype>

#include "AccountService.h"
#include "AdmitResource.h"
#include "DialogSupport.h"
#include "Secret.h"
#include "UserName.h"
#include "WideText.h"

namespace admit {
namespace {

class AccountForm {
 public:
  AccountForm(AccountService& service, FormPurpose purpose, const std::string& userName)
      : service_(service), purpose_(purpose), userName_(userName) {}

  INT_PTR Handle(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

 private:
  INT_PTR OnInit(HWND dialog);
  void OnOk(HWND dialog);

  AccountService& service_;
  FormPurpose purpose_;
  std::string userName_;
};

INT_PTR AccountForm::Handle(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
  switch (message) {
    case WM_INITDIALOG:
      return OnInit(dialog);
    case WM_COMMAND:
      if (LOWORD(wParam) == IDOK) {
        OnOk(dialog);
        return TRUE;
      }
      if (LOWORD(wParam) == IDCANCEL) {
        EndDialog(dialog, IDCANCEL);
        return TRUE;
      }
      break;
  }
  return FALSE;
}

INT_PTR AccountForm::OnInit(HWND dialog) {
  HWND rights = GetDlgItem(dialog, IDC_ADMIT_RIGHTS);
  SendMessageW(rights, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(L"Restricted"));
  SendMessageW(rights, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(L"Full rights"));
  SendMessageW(rights, CB_SETCURSEL, 0, 0);
  SendDlgItemMessageW(dialog, IDC_ADMIT_USER, EM_LIMITTEXT, kMaxUserNameChars * 2, 0);
  SendDlgItemMessageW(dialog, IDC_ADMIT_PASSWORD, EM_LIMITTEXT, kMaxPasswordChars, 0);
  SendDlgItemMessageW(dialog, IDC_ADMIT_REPEAT, EM_LIMITTEXT, kMaxPasswordChars, 0);
  int focus = IDC_ADMIT_USER;
  switch (purpose_) {
    case FormPurpose::kFirstAccount:
      SetWindowTextW(dialog, L"Varnex: First Account");
      SetItemText(dialog, IDC_ADMIT_INTRO,
                  L"There are no accounts yet. Create the first account: it has full rights "
                  L"and manages all other accounts.");
      SendMessageW(rights, CB_SETCURSEL, 1, 0);
      EnableWindow(rights, FALSE);
      break;
    case FormPurpose::kNewAccount:
      SetWindowTextW(dialog, L"Varnex Accounts: New Account");
      SetItemText(dialog, IDC_ADMIT_INTRO, L"Choose the user name, rights and password.");
      break;
    case FormPurpose::kNewPassword:
      SetWindowTextW(dialog, L"Varnex Accounts: New Password");
      SetItemText(dialog, IDC_ADMIT_INTRO, L"Type the new password twice.");
      SetItemText(dialog, IDC_ADMIT_USER, FromUtf8(userName_));
      SendDlgItemMessageW(dialog, IDC_ADMIT_USER, EM_SETREADONLY, TRUE, 0);
      ShowWindow(rights, SW_HIDE);
      ShowWindow(GetDlgItem(dialog, IDC_ADMIT_RIGHTS_LABEL), SW_HIDE);
      focus = IDC_ADMIT_PASSWORD;
      break;
  }
  SetForegroundWindow(dialog);
  FocusItem(dialog, focus);
  return FALSE;
}

void AccountForm::OnOk(HWND dialog) {
  // The name first, before the passwords are taken from their boxes and hashed.
  if (purpose_ != FormPurpose::kNewPassword) {
    const std::string name(TrimBlanks(ToUtf8(ItemText(dialog, IDC_ADMIT_USER))));
    std::wstring nameProblem = FromUtf8(NewUserNameProblem(name));
    if (nameProblem.empty() && service_.Book().Find(name) != nullptr) {
      nameProblem = L"a user named \"" + FromUtf8(name) + L"\" already exists";
    }
    if (!nameProblem.empty()) {
      nameProblem[0] = static_cast<wchar_t>(std::towupper(nameProblem[0]));
      SetItemText(dialog, IDC_ADMIT_STATUS, nameProblem + L".");
      FocusItem(dialog, IDC_ADMIT_USER);
      return;
    }
  }
  Secret password;
  Secret repeated;
  password.TakeFrom(GetDlgItem(dialog, IDC_ADMIT_PASSWORD));
  repeated.TakeFrom(GetDlgItem(dialog, IDC_ADMIT_REPEAT));
  std::wstring problem;
  if (!password.SameAs(repeated)) {
    problem = L"The two passwords differ. Type them again.";
  } else if (password.Chars() < static_cast<size_t>(kMinPasswordChars)) {
    problem =
        L"The password must have at least " + std::to_wstring(kMinPasswordChars) + L" characters.";
  } else {
    HCURSOR cursor = SetCursor(LoadCursorW(nullptr, IDC_WAIT));
    if (purpose_ == FormPurpose::kNewPassword) {
      problem = service_.SetPassword(userName_, password);
    } else {
      const bool full = purpose_ == FormPurpose::kFirstAccount ||
                        SendDlgItemMessageW(dialog, IDC_ADMIT_RIGHTS, CB_GETCURSEL, 0, 0) == 1;
      problem = service_.AddAccount(ToUtf8(ItemText(dialog, IDC_ADMIT_USER)), password,
                                    full ? Rights::kFull : Rights::kRestricted,
                                    purpose_ == FormPurpose::kFirstAccount);
    }
    SetCursor(cursor);
  }
  password.Wipe();
  repeated.Wipe();
  if (problem.empty()) {
    EndDialog(dialog, IDOK);
    return;
  }
  if (problem.find(L'\n') != std::wstring::npos) {
    Notice(dialog, problem, MB_OK | MB_ICONERROR);  // a file problem: long, with the path
  } else {
    SetItemText(dialog, IDC_ADMIT_STATUS, problem);
  }
  FocusItem(dialog, IDC_ADMIT_PASSWORD);
}

}  // namespace

INT_PTR RunAccountForm(HINSTANCE module, HWND owner, AccountService& service, FormPurpose purpose,
                       const std::string& userName) {
  AccountForm form(service, purpose, userName);
  INT_PTR result = DialogBoxParamW(module, MAKEINTRESOURCEW(IDD_ADMIT_ACCOUNT), owner,
                                   DialogProcedure<AccountForm>, reinterpret_cast<LPARAM>(&form));
  return result == IDOK ? IDOK : IDCANCEL;
}

}  // namespace admit
