#include "station/app/VarnexApp.h"

#include <windows.h>
#include <commctrl.h>

#include <utility>

#include "devices/admit.h"
#include "station/config/ConfigFile.h"
#include "station/config/ConfigPaths.h"

namespace {

// What ADMIT_Admit answers for an operator who may work.
constexpr int32_t kAdmitFullRights = 1;
constexpr int32_t kAdmitRestricted = 2;

void RegisterControlClasses() {
  INITCOMMONCONTROLSEX controls{};
  controls.dwSize = sizeof(controls);  // 8
  controls.dwICC = 0xFF;               // every classic common control class
  InitCommonControlsEx(&controls);
}

int32_t ReadOpenAccountSetting(const std::wstring& configPath) {
  ConfigPaths paths{};
  bool formed = configPath.empty() ? FormConfigPaths(paths)
                                   : FormConfigPathsFromFile(configPath.c_str(), paths);
  // Without a usable path the key is missing: its default applies.
  return formed ? ReadOpenAccount(paths) : 0;
}

}  // namespace

CVarnexApp::CVarnexApp(StationStartHooks hooks) : hooks_(std::move(hooks)) {}

CVarnexApp::~CVarnexApp() {
  ExitInstance();
}

StationEnd CVarnexApp::InitInstance() {
  RegisterControlClasses();

  StationEnd logOn = LogOn();
  if (logOn != StationEnd::kWindowClosed) {
    return logOn;
  }

  phone_ = KV_CreatePhone(0);
  if (phone_ == -1) {
    return StationEnd::kNoPhone;
  }

  if (!hooks_.showMainWindow) {
    return StationEnd::kNoWindow;
  }
  hooks_.showMainWindow(phone_, restricted_);
  return StationEnd::kWindowClosed;
}

void CVarnexApp::ExitInstance() {
  if (phone_ != -1) {
    KV_ReleasePhone(phone_);
    phone_ = -1;
  }
}

StationEnd CVarnexApp::LogOn() {
  restricted_ = 0;
  if (ReadOpenAccountSetting(hooks_.configPath) == 0) {
    return StationEnd::kWindowClosed;
  }
  int32_t result = ADMIT_Admit();
  if (result == kAdmitFullRights) {
    return StationEnd::kWindowClosed;
  }
  if (result == kAdmitRestricted) {
    restricted_ = 1;
    return StationEnd::kWindowClosed;
  }
  ShowMessage(kNoAuthorityText);
  return StationEnd::kNoAuthority;
}

void CVarnexApp::ShowMessage(const wchar_t* text) {
  if (hooks_.showMessage) {
    hooks_.showMessage(text);
    return;
  }
  MessageBoxW(nullptr, text, L"Varnex", MB_OK | MB_ICONWARNING);
}

StationEnd RunStation(const StationStartHooks& hooks) {
  CVarnexApp app(hooks);
  StationEnd end = app.InitInstance();
  app.ExitInstance();
  return end;
}
