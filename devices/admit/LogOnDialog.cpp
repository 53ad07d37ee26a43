#include "LogOnDialog.h"

#include <string>

#include "AccountService.h"
#include "AdmitResource.h"
#include "DialogSupport.h"
#include "Secret.h"
#include "UserName.h"
#include "WideText.h"

namespace admit {
namespace {

// The dialog's own end values, apart from IDOK and IDCANCEL (1 and 2) and from 0, so that a
// dialog ended any other way (closed, cancelled, ended by Windows) never reads as a log-on.
constexpr INT_PTR kEndFullRights = 0x4D01;
constexpr INT_PTR kEndRestricted = 0x4D02;
constexpr INT_PTR kEndRefused = 0x4D00;

class LogOnDialog {
 public:
  LogOnDialog(AccountService& service, LogOnPurpose purpose)
      : service_(service), purpose_(purpose) {}

  INT_PTR Handle(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
  const std::string& userName() const { return userName_; }

 private:
  INT_PTR OnInit(HWND dialog);
  void OnOk(HWND dialog);
  void Answer(HWND dialog, const std::wstring& text);
  // The account's own spelling of a name typed in another case.
  std::string AccountName(const std::string& typed) const {
    const Account* account = service_.Book().Find(typed);
    return account != nullptr ? account->name : typed;
  }

  AccountService& service_;
  LogOnPurpose purpose_;
  std::string userName_;  // the user let in
};

INT_PTR LogOnDialog::Handle(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
  switch (message) {
    case WM_INITDIALOG:
      return OnInit(dialog);
    case WM_COMMAND:
      if (LOWORD(wParam) == IDOK) {
        OnOk(dialog);
        return TRUE;
      }
      if (LOWORD(wParam) == IDCANCEL) {
        EndDialog(dialog, kEndRefused);
        return TRUE;
      }
      break;
  }
  return FALSE;
}

INT_PTR LogOnDialog::OnInit(HWND dialog) {
  if (purpose_ == LogOnPurpose::kAccountEditor) {
    SetWindowTextW(dialog, L"Varnex Accounts: Log On");
    SetItemText(dialog, IDC_ADMIT_INTRO,
                L"Changing accounts needs a log-on by a user with full rights.");
  }
  SendDlgItemMessageW(dialog, IDC_ADMIT_USER, EM_LIMITTEXT, kMaxUserNameChars * 2, 0);
  SendDlgItemMessageW(dialog, IDC_ADMIT_PASSWORD, EM_LIMITTEXT, kMaxPasswordChars, 0);
  SetForegroundWindow(dialog);
  FocusItem(dialog, IDC_ADMIT_USER);
  return FALSE;  // the focus is set
}

void LogOnDialog::Answer(HWND dialog, const std::wstring& text) {
  SetItemText(dialog, IDC_ADMIT_STATUS, text);
  FocusItem(dialog, IDC_ADMIT_PASSWORD);
}

void LogOnDialog::OnOk(HWND dialog) {
  const std::string name(TrimBlanks(ToUtf8(ItemText(dialog, IDC_ADMIT_USER))));
  if (name.empty()) {
    SetItemText(dialog, IDC_ADMIT_STATUS, L"Enter your user name.");
    FocusItem(dialog, IDC_ADMIT_USER);
    return;
  }
  Secret password;
  password.TakeFrom(GetDlgItem(dialog, IDC_ADMIT_PASSWORD));
  if (password.Chars() == 0) {
    Answer(dialog, L"Enter your password.");
    return;
  }
  SetItemText(dialog, IDC_ADMIT_STATUS, L"Checking...");
  UpdateWindow(dialog);
  HCURSOR cursor = SetCursor(LoadCursorW(nullptr, IDC_WAIT));
  LogOnReply reply = service_.LogOn(name, password);
  password.Wipe();
  SetCursor(cursor);

  if (reply.result == LogOnResult::kFailed) {
    Notice(dialog, reply.problem, MB_OK | MB_ICONERROR);
    EndDialog(dialog, kEndRefused);
    return;
  }
  if (!reply.problem.empty()) {
    Notice(dialog, reply.problem, MB_OK | MB_ICONWARNING);
  }
  switch (reply.result) {
    case LogOnResult::kFull:
      userName_ = AccountName(name);
      EndDialog(dialog, kEndFullRights);
      return;
    case LogOnResult::kRestricted:
      if (purpose_ == LogOnPurpose::kAccountEditor) {
        Answer(dialog, L"This user has restricted rights. Log on as a user with full rights.");
        return;
      }
      userName_ = AccountName(name);
      EndDialog(dialog, kEndRestricted);
      return;
    case LogOnResult::kLocked:
      Answer(dialog, L"Too many wrong passwords: this user is locked out. Try again in " +
                         std::to_wstring(reply.lockSeconds) + L" seconds.");
      return;
    case LogOnResult::kRefused:
    case LogOnResult::kFailed:
      Answer(dialog, L"Wrong user name or password.");
      return;
  }
}

}  // namespace

int32_t RunLogOnDialog(HINSTANCE module, HWND owner, AccountService& service, LogOnPurpose purpose,
                       std::string* userName) {
  LogOnDialog logOn(service, purpose);
  INT_PTR result = DialogBoxParamW(module, MAKEINTRESOURCEW(IDD_ADMIT_LOGON), owner,
                                   DialogProcedure<LogOnDialog>, reinterpret_cast<LPARAM>(&logOn));
  switch (result) {
    case kEndFullRights:
    case kEndRestricted:
      if (userName != nullptr) {
        *userName = logOn.userName();
      }
      return result == kEndFullRights ? 1 : 2;
    default:
      return 0;
  }
}

}  // namespace admit
