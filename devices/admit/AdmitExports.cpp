// The library's two exports: the operator log-on and the account editor.
#include "devices/admit.h"

#include <windows.h>
#include <commctrl.h>

#include "AccountEditorDialog.h"
#include "AccountFormDialog.h"
#include "AccountService.h"
#include "AccountsFile.h"
#include "DialogSupport.h"
#include "LogOnDialog.h"
#include "MachinePolicy.h"

namespace {

HINSTANCE module = nullptr;

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
      admit::Notice(owner, service.Problem(), MB_OK | MB_ICONERROR);
      return 0;
    case admit::Loaded::kMissing:
      // Refused without a word: the station says "No authority to operate it!".
      if (!MayCreateFirstAccount()) {
        return 0;
      }
      // The one who creates the first account holds full rights from then on.
      return admit::RunAccountForm(module, owner, service, admit::FormPurpose::kFirstAccount) ==
                     IDOK
                 ? 1
                 : 0;
    case admit::Loaded::kOk:
      break;
  }
  return admit::RunLogOnDialog(module, owner, service, admit::LogOnPurpose::kStation);
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
