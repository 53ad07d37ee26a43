// Varnex.exe: the check station. Start-up and exit are in CVarnexApp; this file only wires
// the main window and ends the process.
#include <windows.h>

#include <memory>

#include "station/app/VarnexApp.h"
#include "station/app/VarnexDlg.h"

namespace {

bool ShowMainWindow(KV_PHONE phone, int32_t restricted) {
  VarnexDlgSetup setup;
  setup.phone = phone;
  setup.restricted = restricted;
  auto window = std::make_unique<CVarnexDlg>(setup);
  window->DoModal();
  if (window->RunOutlivedClosing()) {
    // A run's worker is still inside a phone call: the window's context and station list and
    // the phone handle stay with it until the process ends.
    window.release();
    return false;
  }
  return true;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  StationStartHooks hooks;
  hooks.showMainWindow = &ShowMainWindow;
  RunStation(hooks);
  return 0;
}
