// Varnex.exe: the check station. Start-up and exit are in CVarnexApp; this file only wires
// the main window and ends the process.
#include <windows.h>

#include "station/app/VarnexApp.h"
#include "station/app/VarnexDlg.h"

namespace {

void ShowMainWindow(KV_PHONE phone, int32_t restricted) {
  VarnexDlgSetup setup;
  setup.phone = phone;
  setup.restricted = restricted;
  CVarnexDlg window(setup);
  window.DoModal();
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  StationStartHooks hooks;
  hooks.showMainWindow = &ShowMainWindow;
  RunStation(hooks);
  return 0;
}
