#include "AccountEditorDialog.h"

#include <string>
#include <vector>

#include <commctrl.h>

#include "AccountFormDialog.h"
#include "AccountService.h"
#include "AdmitResource.h"
#include "DialogSupport.h"
#include "Lockout.h"
#include "WideText.h"

namespace admit {
namespace {

class AccountEditor {
 public:
  AccountEditor(HINSTANCE module, AccountService& service) : module_(module), service_(service) {}

  INT_PTR Handle(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

 private:
  INT_PTR OnInit(HWND dialog);
  void OnCommand(HWND dialog, int id);
  void Fill(HWND dialog, const std::string& select);
  // The selected user's name; empty (with a hint shown) when no row is selected.
  std::string Selected(HWND dialog);
  void Report(HWND dialog, const std::wstring& problem, const std::wstring& done);

  HINSTANCE module_;
  AccountService& service_;
  std::vector<std::string> names_;  // row order of the list
};

INT_PTR AccountEditor::Handle(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
  switch (message) {
    case WM_INITDIALOG:
      return OnInit(dialog);
    case WM_COMMAND:
      OnCommand(dialog, LOWORD(wParam));
      return TRUE;
  }
  return FALSE;
}

INT_PTR AccountEditor::OnInit(HWND dialog) {
  HWND list = GetDlgItem(dialog, IDC_ADMIT_LIST);
  ListView_SetExtendedListViewStyle(list, LVS_EX_FULLROWSELECT);
  struct Column {
    const wchar_t* title;
    int width;
  };
  static constexpr Column kColumns[] = {{L"User", 150}, {L"Rights", 90}, {L"State", 70}};
  for (int i = 0; i < 3; ++i) {
    LVCOLUMNW column = {};
    column.mask = LVCF_TEXT | LVCF_WIDTH;
    column.pszText = const_cast<wchar_t*>(kColumns[i].title);
    column.cx = kColumns[i].width;
    ListView_InsertColumn(list, i, &column);
  }
  Fill(dialog, std::string());
  SetForegroundWindow(dialog);
  return TRUE;
}

void AccountEditor::Fill(HWND dialog, const std::string& select) {
  HWND list = GetDlgItem(dialog, IDC_ADMIT_LIST);
  ListView_DeleteAllItems(list);
  names_.clear();
  const uint64_t now = service_.Now();
  for (const Account& account : service_.Book().Accounts()) {
    const int row = static_cast<int>(names_.size());
    std::wstring name = FromUtf8(account.name);
    LVITEMW item = {};
    item.mask = LVIF_TEXT;
    item.iItem = row;
    item.pszText = name.data();
    ListView_InsertItem(list, &item);
    const wchar_t* rights = account.rights == Rights::kFull ? L"Full rights" : L"Restricted";
    ListView_SetItemText(list, row, 1, const_cast<wchar_t*>(rights));
    const wchar_t* state = LockSecondsLeft(account, now) > 0 ? L"Locked" : L"";
    ListView_SetItemText(list, row, 2, const_cast<wchar_t*>(state));
    if (!select.empty() && account.name == select) {
      ListView_SetItemState(list, row, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
    }
    names_.push_back(account.name);
  }
}

std::string AccountEditor::Selected(HWND dialog) {
  int row = ListView_GetNextItem(GetDlgItem(dialog, IDC_ADMIT_LIST), -1, LVNI_SELECTED);
  if (row < 0 || static_cast<size_t>(row) >= names_.size()) {
    SetItemText(dialog, IDC_ADMIT_STATUS, L"Select a user in the list first.");
    return std::string();
  }
  return names_[static_cast<size_t>(row)];
}

void AccountEditor::Report(HWND dialog, const std::wstring& problem, const std::wstring& done) {
  if (problem.empty()) {
    SetItemText(dialog, IDC_ADMIT_STATUS, done);
  } else {
    SetItemText(dialog, IDC_ADMIT_STATUS, L"");
    Notice(dialog, problem, MB_OK | MB_ICONERROR);
  }
}

void AccountEditor::OnCommand(HWND dialog, int id) {
  std::string name;
  switch (id) {
    case IDCANCEL:
      EndDialog(dialog, IDCANCEL);
      return;
    case IDC_ADMIT_ADD:
      if (RunAccountForm(module_, dialog, service_, FormPurpose::kNewAccount) == IDOK) {
        Fill(dialog, service_.Book().Accounts().back().name);
        SetItemText(dialog, IDC_ADMIT_STATUS, L"The account was added.");
      }
      return;
    case IDC_ADMIT_REMOVE:
      name = Selected(dialog);
      if (!name.empty() && Notice(dialog, L"Remove the account \"" + FromUtf8(name) + L"\"?",
                                  MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2) == IDYES) {
        Report(dialog, service_.RemoveAccount(name), L"The account was removed.");
        Fill(dialog, std::string());
      }
      return;
    case IDC_ADMIT_SET_PASSWORD:
      name = Selected(dialog);
      if (!name.empty() &&
          RunAccountForm(module_, dialog, service_, FormPurpose::kNewPassword, name) == IDOK) {
        Fill(dialog, name);
        SetItemText(dialog, IDC_ADMIT_STATUS, L"The password was changed.");
      }
      return;
    case IDC_ADMIT_SET_RIGHTS:
      name = Selected(dialog);
      if (const Account* account = service_.Book().Find(name); account != nullptr) {
        const Rights rights =
            account->rights == Rights::kFull ? Rights::kRestricted : Rights::kFull;
        Report(dialog, service_.SetRights(name, rights),
               rights == Rights::kFull ? L"The user now has full rights."
                                       : L"The user now has restricted rights.");
        Fill(dialog, name);
      }
      return;
  }
}

}  // namespace

void RunAccountEditor(HINSTANCE module, HWND owner, AccountService& service) {
  AccountEditor editor(module, service);
  DialogBoxParamW(module, MAKEINTRESOURCEW(IDD_ADMIT_EDITOR), owner, DialogProcedure<AccountEditor>,
                  reinterpret_cast<LPARAM>(&editor));
}

}  // namespace admit
