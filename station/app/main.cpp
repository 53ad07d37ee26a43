// Varnex.exe: the check station. Start-up and exit are in CVarnexApp; this file only wires
// the real main window and ends the process.
#include <windows.h>

#include "station/app/VarnexApp.h"

namespace {

// PLACEHOLDER until the main window (CVarnexDlg, dialog 102) is built: it replaces this
// function with
//   CVarnexDlg window(phone, restricted);  window.DoModal();
void ShowMainWindow(KV_PHONE /*phone*/, int32_t /*restricted*/) {
  MessageBoxW(nullptr, L"Main window not built yet", L"Varnex", MB_OK | MB_ICONINFORMATION);
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  StationStartHooks hooks;
  hooks.showMainWindow = &ShowMainWindow;
  RunStation(hooks);
  return 0;
}
