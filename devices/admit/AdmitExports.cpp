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

namespace {

HINSTANCE module = nullptr;

admit::AccountService& Service() {
  // One for the process, so that wrong passwords for unknown names are remembered between
  // log-ons just as those of real users are.
  static admit::AccountService service(admit::AccountsPathBesideProgram());
  return service;
}

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
