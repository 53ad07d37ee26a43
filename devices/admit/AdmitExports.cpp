// The library's exports: the operator log-on, the account editor, and the name of the operator
// let in.
#include "devices/admit.h"
#include "devices/admit_user.h"

#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <cstring>
#include <cwchar>
#include <mutex>
#include <string>

#include "AccountEditorDialog.h"
#include "AccountFormDialog.h"
#include "AccountService.h"
#include "AccountsFile.h"
#include "DialogSupport.h"
#include "LogOnDialog.h"
#include "MachinePolicy.h"
#include "WideText.h"

namespace {

HINSTANCE module = nullptr;

// The operator ADMIT_Admit let in, for the station's run records.
std::mutex operatorLock;
std::wstring operatorName;

void SetOperator(const std::string& utf8Name) {
  std::lock_guard<std::mutex> guard(operatorLock);
  operatorName = admit::FromUtf8(utf8Name);
}

admit::AccountService& Service() {
  // One for the process, so that wrong passwords are remembered between log-ons even where
  // the file cannot keep them.
  static admit::AccountService service(admit::AccountsPathBesideProgram());
  return service;
}

// Without an accounts file the first account is made by whoever is at the station, unless the
// machine's policy demands a log-on: then only an elevated administrator may make it.
bool MayCreateFirstAccount() {
  return !admit::LogOnRequiredByPolicy() || admit::RunsElevated();
}

constexpr wchar_t kAdministratorsOnly[] =
    L"There are no accounts yet, and this station's log-on policy lets only an administrator "
    L"create the first account.\n\nStart the program once with \"Run as administrator\".";

}  // namespace

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_ATTACH) {
    module = instance;
    DisableThreadLibraryCalls(instance);
  }
  return TRUE;
}

extern "C" ADMIT_API int32_t ADMIT_Admit(void) {
  admit::AccountService& service = Service();
  HWND owner = GetActiveWindow();
  switch (service.Load()) {
    case admit::Loaded::kBad:
      SetOperator({});
      admit::Notice(owner, service.Problem(), MB_OK | MB_ICONERROR);
      return 0;
    case admit::Loaded::kMissing:
      // Refused without a word: the station says "No authority to operate it!".
      if (!MayCreateFirstAccount()) {
        return 0;
      }
      // The one who creates the first account holds full rights from then on.
      if (admit::RunAccountForm(module, owner, service, admit::FormPurpose::kFirstAccount) !=
              IDOK ||
          service.Book().Accounts().empty()) {
        SetOperator({});
        return 0;
      }
      SetOperator(service.Book().Accounts().front().name);
      return 1;
    case admit::Loaded::kOk:
      break;
  }
  std::string name;
  const int32_t rights =
      admit::RunLogOnDialog(module, owner, service, admit::LogOnPurpose::kStation, &name);
  SetOperator(rights != 0 ? name : std::string());
  return rights;
}

extern "C" ADMIT_API int32_t ADMIT_GetUserName(wchar_t* buffer, int32_t size) {
  if (buffer == nullptr || size <= 0) {
    return 0;
  }
  std::lock_guard<std::mutex> guard(operatorLock);
  const size_t length = std::min(operatorName.size(), static_cast<size_t>(size) - 1);
  std::wmemcpy(buffer, operatorName.data(), length);
  buffer[length] = L'\0';
  return static_cast<int32_t>(length);
}

extern "C" ADMIT_API int32_t ADMIT_ManageAccounts(void) {
  INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_LISTVIEW_CLASSES};
  InitCommonControlsEx(&controls);
  admit::AccountService& service = Service();
  HWND owner = GetActiveWindow();
  switch (service.Load()) {
    case admit::Loaded::kBad:
      admit::Notice(owner, service.Problem(), MB_OK | MB_ICONERROR);
      return 0;
    case admit::Loaded::kMissing:
      if (!MayCreateFirstAccount()) {
        admit::Notice(owner, kAdministratorsOnly, MB_OK | MB_ICONWARNING);
        return 0;
      }
      if (admit::RunAccountForm(module, owner, service, admit::FormPurpose::kFirstAccount) !=
          IDOK) {
        return 0;
      }
      break;
    case admit::Loaded::kOk:
      // Whoever reached this button, changing accounts needs full rights.
      if (admit::RunLogOnDialog(module, owner, service, admit::LogOnPurpose::kAccountEditor) != 1) {
        return 0;
      }
      break;
  }
  admit::RunAccountEditor(module, owner, service);
  return 1;
}
