// Admit.dll as the station calls it: the real dialogs, answered by a script in this process.
// The accounts file is Accounts.ini beside this test program.
#include <windows.h>
#include <commctrl.h>

#include <cstdlib>
#include <string>

#include <gtest/gtest.h>

#include "AccountFile.h"
#include "AdmitResource.h"
#include "DialogScript.h"
#include "PasswordHash.h"
#include "TestPasswords.h"
#include "devices/admit.h"
#include "devices/admit_user.h"

namespace {

constexpr wchar_t kLogOn[] = L"Varnex Log On";
constexpr wchar_t kEditorLogOn[] = L"Varnex Accounts: Log On";
constexpr wchar_t kFirst[] = L"Varnex: First Account";
constexpr wchar_t kNewAccount[] = L"Varnex Accounts: New Account";
constexpr wchar_t kEditor[] = L"Varnex Account Editor";
constexpr wchar_t kNotice[] = L"Varnex Accounts";

std::wstring AccountsPath() {
  wchar_t path[MAX_PATH] = {};
  GetModuleFileNameW(nullptr, path, MAX_PATH);
  std::wstring text(path);
  return text.substr(0, text.find_last_of(L'\\') + 1) + L"Accounts.ini";
}

std::string ReadAccounts() {
  std::string text;
  HANDLE file = CreateFileW(AccountsPath().c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                            OPEN_EXISTING, 0, nullptr);
  if (file != INVALID_HANDLE_VALUE) {
    char chunk[4096];
    DWORD got = 0;
    while (ReadFile(file, chunk, sizeof chunk, &got, nullptr) && got > 0) {
      text.append(chunk, got);
    }
    CloseHandle(file);
  }
  return text;
}

void WriteAccounts(const std::string& text) {
  HANDLE file =
      CreateFileW(AccountsPath().c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  ASSERT_NE(file, INVALID_HANDLE_VALUE);
  DWORD written = 0;
  WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
  CloseHandle(file);
}

using S = DialogScript;

// The operator's name as the station's run records read it.
std::wstring LoggedOn() {
  wchar_t name[64] = {};
  const int32_t length = ADMIT_GetUserName(name, 64);
  return std::wstring(name, length > 0 ? static_cast<size_t>(length) : 0);
}

// Fills a log-on dialog and presses OK.
DialogScript::Action LogOnAs(const std::wstring& user, const std::wstring& password) {
  return [=](HWND dialog) {
    S::Fill(dialog, IDC_ADMIT_USER, user);
    S::Fill(dialog, IDC_ADMIT_PASSWORD, password);
    S::Press(dialog, IDOK);
  };
}

DialogScript::Action NewAccount(const std::wstring& user, const std::wstring& password,
                                const std::wstring& repeated, bool fullRights = false) {
  return [=](HWND dialog) {
    S::Fill(dialog, IDC_ADMIT_USER, user);
    SendDlgItemMessageW(dialog, IDC_ADMIT_RIGHTS, CB_SETCURSEL, fullRights ? 1 : 0, 0);
    S::Fill(dialog, IDC_ADMIT_PASSWORD, password);
    S::Fill(dialog, IDC_ADMIT_REPEAT, repeated);
    S::Press(dialog, IDOK);
  };
}

void SelectUser(HWND editor, const std::wstring& user) {
  HWND list = GetDlgItem(editor, IDC_ADMIT_LIST);
  LVFINDINFOW find = {};
  find.flags = LVFI_STRING;
  find.psz = user.c_str();
  int row = ListView_FindItem(list, -1, &find);
  ASSERT_GE(row, 0) << "no row for the user";
  ListView_SetItemState(list, row, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
}

class AdmitDialogs : public ::testing::Test {
 protected:
  void SetUp() override {
    if (std::getenv("DISPLAY") == nullptr) {
      GTEST_SKIP() << "no display: the dialogs need one (ctest runs this under xvfb-run)";
    }
    DeleteFileW(AccountsPath().c_str());
    DeleteFileW((AccountsPath() + L".new").c_str());
  }
  void TearDown() override {
    for (const std::wstring& problem : script_.Problems()) {
      ADD_FAILURE() << std::string(problem.begin(), problem.end());
    }
    RegDeleteKeyValueW(HKEY_LOCAL_MACHINE, ADMIT_POLICY_KEY, ADMIT_POLICY_REQUIRE_LOGON);
    DeleteFileW(AccountsPath().c_str());
    DeleteFileW((AccountsPath() + L".new").c_str());
  }

  static void RequireLogOn() {
    DWORD on = 1;
    ASSERT_EQ(RegSetKeyValueW(HKEY_LOCAL_MACHINE, ADMIT_POLICY_KEY, ADMIT_POLICY_REQUIRE_LOGON,
                              REG_DWORD, &on, sizeof on),
              ERROR_SUCCESS);
  }

  // The first account through the first-start form: a mistyped repeat is caught first.
  void CreateLead() {
    DialogScript first;
    first.Then(kFirst, NewAccount(L"lead", lead_, lead_ + L"x")).Then(kFirst, [&](HWND dialog) {
      EXPECT_EQ(S::Text(dialog, IDC_ADMIT_STATUS), L"The two passwords differ. Type them again.");
      EXPECT_EQ(S::Text(dialog, IDC_ADMIT_PASSWORD), L"") << "the box was emptied";
      NewAccount(L"lead", lead_, lead_)(dialog);
    });
    EXPECT_EQ(first.Run(ADMIT_Admit), 1);
    for (const std::wstring& problem : first.Problems()) {
      ADD_FAILURE() << std::string(problem.begin(), problem.end());
    }
  }

  // The lead's account written straight into the file with the smallest count the file
  // allows, so that the tests of wrong passwords do not wait for the full count each time.
  void WriteLead() {
    admit::Account lead;
    lead.name = "lead";
    lead.rights = admit::Rights::kFull;
    lead.iterations = admit::kMinIterations;
    ASSERT_TRUE(admit::NewSalt(lead.salt));
    const std::string password(lead_.begin(), lead_.end());
    ASSERT_TRUE(admit::DerivePasswordHash(reinterpret_cast<const uint8_t*>(password.data()),
                                          password.size(), lead.salt.data(), lead.salt.size(),
                                          lead.iterations, lead.hash));
    WriteAccounts(admit::FormatAccountFile({lead}));
  }

  DialogScript script_;
  const std::wstring lead_ = MadeUpPassword();
  const std::wstring operator_ = MadeUpPassword();
};

TEST_F(AdmitDialogs, FirstStartAsksForTheFirstAccountAndNobodyGetsInOtherwise) {
  script_.Then(kFirst, [](HWND dialog) { S::Press(dialog, IDCANCEL); });
  EXPECT_EQ(script_.Run(ADMIT_Admit), 0);
  EXPECT_EQ(ReadAccounts(), "") << "cancelling creates no file";

  EXPECT_EQ(LoggedOn(), L"");

  CreateLead();
  EXPECT_EQ(LoggedOn(), L"lead") << "the one who made the first account is the operator";
  admit::ParsedAccounts parsed = admit::ParseAccountFile(ReadAccounts());
  ASSERT_EQ(parsed.problem, "");
  ASSERT_EQ(parsed.accounts.size(), 1u);
  EXPECT_EQ(parsed.accounts[0].name, "lead");
  EXPECT_EQ(parsed.accounts[0].rights, admit::Rights::kFull);
}

TEST_F(AdmitDialogs, WrongPasswordsAreAnsweredInTheDialogUntilTheRightOne) {
  WriteLead();
  const std::wstring wrong = MadeUpPassword();
  script_.Then(kLogOn, LogOnAs(L"lead", wrong))
      .Then(kLogOn,
            [&](HWND dialog) {
              EXPECT_EQ(S::Text(dialog, IDC_ADMIT_STATUS), L"Wrong user name or password.");
              LogOnAs(L"nobody", lead_)(dialog);
            })
      .Then(kLogOn, [&](HWND dialog) {
        EXPECT_EQ(S::Text(dialog, IDC_ADMIT_STATUS), L"Wrong user name or password.");
        LogOnAs(L"Lead", lead_)(dialog);
      });
  EXPECT_EQ(script_.Run(ADMIT_Admit), 1);
  // The account's spelling, whatever case was typed; a short buffer gets a cut, ended name.
  EXPECT_EQ(LoggedOn(), L"lead");
  wchar_t shortName[3] = {L'x', L'x', L'x'};
  EXPECT_EQ(ADMIT_GetUserName(shortName, 3), 2);
  EXPECT_EQ(std::wstring(shortName), L"le");

  DialogScript cancel;
  cancel.Then(kLogOn, [](HWND dialog) { S::Press(dialog, IDCANCEL); });
  EXPECT_EQ(cancel.Run(ADMIT_Admit), 0);
  EXPECT_TRUE(cancel.Problems().empty());
  EXPECT_EQ(LoggedOn(), L"") << "nobody is let in by a cancelled log-on";
}

TEST_F(AdmitDialogs, ALogOnDialogEndedAnyOtherWayIsNoLogOn) {
  WriteLead();
  // Ended with the numbers of OK and Cancel, which are also 1 and 2, the rights' numbers.
  for (INT_PTR ending : {IDOK, IDCANCEL}) {
    DialogScript ended;
    ended.Then(kLogOn, [ending](HWND dialog) { EndDialog(dialog, ending); });
    EXPECT_EQ(ended.Run(ADMIT_Admit), 0) << ending;
    EXPECT_TRUE(ended.Problems().empty());
  }
}

TEST_F(AdmitDialogs, UnderTheLogOnPolicyOnlyAnAdministratorMakesTheFirstAccount) {
  RequireLogOn();
  // This program runs as an elevated administrator: it is offered the form.
  script_.Then(kFirst, [](HWND dialog) { S::Press(dialog, IDCANCEL); });
  EXPECT_EQ(script_.Run(ADMIT_Admit), 0);
  EXPECT_TRUE(script_.Finished());

  // The same user without the administrators' rights, as a standard account or an
  // administrator who did not choose "Run as administrator" runs the station.
  HANDLE process = nullptr;
  ASSERT_TRUE(OpenProcessToken(GetCurrentProcess(), TOKEN_ALL_ACCESS, &process));
  BYTE sid[SECURITY_MAX_SID_SIZE] = {};
  DWORD size = sizeof sid;
  ASSERT_TRUE(CreateWellKnownSid(WinBuiltinAdministratorsSid, nullptr, sid, &size));
  SID_AND_ATTRIBUTES administrators = {sid, 0};
  HANDLE standard = nullptr;
  ASSERT_TRUE(
      CreateRestrictedToken(process, 0, 1, &administrators, 0, nullptr, 0, nullptr, &standard));
  ASSERT_TRUE(ImpersonateLoggedOnUser(standard));
  DialogScript refused;  // no dialog at all: the station says "No authority to operate it!"
  const int32_t admitted = refused.Run(ADMIT_Admit);
  std::wstring notice;
  DialogScript editor;
  editor.Then(kNotice, [&](HWND box) {
    notice = S::Message(box);
    S::Press(box, IDOK);
  });
  const int32_t managed = editor.Run(ADMIT_ManageAccounts);
  RevertToSelf();
  CloseHandle(standard);
  CloseHandle(process);
  EXPECT_EQ(admitted, 0);
  EXPECT_TRUE(refused.Problems().empty()) << "a dialog was shown";
  EXPECT_EQ(managed, 0);
  EXPECT_NE(notice.find(L"lets only an administrator create the first account"),
            std::wstring::npos);
  EXPECT_EQ(ReadAccounts(), "");
}

TEST_F(AdmitDialogs, TheFifthWrongPasswordLocksTheUserOut) {
  WriteLead();
  const std::wstring wrong = MadeUpPassword();
  for (int i = 0; i < 5; ++i) {
    script_.Then(kLogOn, LogOnAs(L"lead", wrong));
  }
  script_
      .Then(kLogOn,
            [&](HWND dialog) {
              EXPECT_EQ(S::Text(dialog, IDC_ADMIT_STATUS),
                        L"Too many wrong passwords: this user is locked out. Try again in 60 "
                        L"seconds.");
              LogOnAs(L"lead", lead_)(dialog);
            })
      .Then(kLogOn, [&](HWND dialog) {
        EXPECT_NE(S::Text(dialog, IDC_ADMIT_STATUS).find(L"locked out"), std::wstring::npos);
        S::Press(dialog, IDCANCEL);
      });
  EXPECT_EQ(script_.Run(ADMIT_Admit), 0);
  admit::ParsedAccounts parsed = admit::ParseAccountFile(ReadAccounts());
  ASSERT_EQ(parsed.accounts.size(), 1u);
  EXPECT_GT(parsed.accounts[0].lockedUntil, 0u) << "the lock is in the file";
}

TEST_F(AdmitDialogs, TheEditorNeedsFullRightsAndKeepsTheLastOfThem) {
  // Without a file the editor starts with the first account, then opens.
  std::wstring lastAdminMessage;
  script_.Then(kFirst, NewAccount(L"lead", lead_, lead_))
      .Then(kEditor, [](HWND editor) { S::Press(editor, IDC_ADMIT_ADD); })
      .Then(kNewAccount, NewAccount(L" LEAD ", operator_, operator_))
      .Then(kNewAccount,
            [&](HWND form) {
              EXPECT_EQ(S::Text(form, IDC_ADMIT_STATUS), L"A user named \"LEAD\" already exists.");
              NewAccount(L"op1", operator_, operator_)(form);
            })
      .Then(kEditor,
            [](HWND editor) {
              EXPECT_EQ(ListView_GetItemCount(GetDlgItem(editor, IDC_ADMIT_LIST)), 2);
              SelectUser(editor, L"lead");
              S::Press(editor, IDC_ADMIT_REMOVE);
            })
      .Then(kNotice, [](HWND box) { S::Press(box, IDYES); })
      .Then(kNotice,
            [&](HWND box) {
              lastAdminMessage = S::Message(box);
              S::Press(box, IDOK);
            })
      .Then(kEditor,
            [](HWND editor) {
              SelectUser(editor, L"lead");
              S::Press(editor, IDC_ADMIT_SET_RIGHTS);
            })
      .Then(kNotice, [](HWND box) { S::Press(box, IDOK); })
      .Then(kEditor, [](HWND editor) { S::Press(editor, IDCANCEL); });
  EXPECT_EQ(script_.Run(ADMIT_ManageAccounts), 1);
  EXPECT_NE(lastAdminMessage.find(L"\"lead\" is the last account with full rights"),
            std::wstring::npos);
  admit::ParsedAccounts parsed = admit::ParseAccountFile(ReadAccounts());
  ASSERT_EQ(parsed.accounts.size(), 2u);
  EXPECT_EQ(parsed.accounts[0].rights, admit::Rights::kFull);
  EXPECT_EQ(parsed.accounts[1].rights, admit::Rights::kRestricted);

  // A restricted operator cannot open the editor.
  DialogScript restricted;
  restricted.Then(kEditorLogOn, LogOnAs(L"op1", operator_)).Then(kEditorLogOn, [](HWND dialog) {
    EXPECT_EQ(S::Text(dialog, IDC_ADMIT_STATUS),
              L"This user has restricted rights. Log on as a user with full rights.");
    S::Press(dialog, IDCANCEL);
  });
  EXPECT_EQ(restricted.Run(ADMIT_ManageAccounts), 0);
  EXPECT_TRUE(restricted.Problems().empty());

  // But logs on to the station with restricted rights.
  DialogScript station;
  station.Then(kLogOn, LogOnAs(L"op1", operator_));
  EXPECT_EQ(station.Run(ADMIT_Admit), 2);
  EXPECT_TRUE(station.Problems().empty());
  EXPECT_EQ(LoggedOn(), L"op1");
}

TEST_F(AdmitDialogs, ATamperedFileIsRefusedWithAMessageNamingIt) {
  WriteLead();
  std::string text = ReadAccounts();
  text.replace(text.find("Rights=full"), 11, "Rights=root");
  WriteAccounts(text);
  std::wstring message;
  script_.Then(kNotice, [&](HWND box) {
    message = S::Message(box);
    S::Press(box, IDOK);
  });
  EXPECT_EQ(script_.Run(ADMIT_Admit), 0);
  EXPECT_NE(message.find(AccountsPath()), std::wstring::npos);
  EXPECT_NE(message.find(L"unknown rights \"root\""), std::wstring::npos);

  DialogScript editor;
  editor.Then(kNotice, [](HWND box) { S::Press(box, IDOK); });
  EXPECT_EQ(editor.Run(ADMIT_ManageAccounts), 0);
  EXPECT_TRUE(editor.Problems().empty());
  EXPECT_EQ(ReadAccounts(), text) << "the damaged file is left for inspection";
}

}  // namespace
