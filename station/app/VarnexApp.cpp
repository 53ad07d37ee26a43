#include "station/app/VarnexApp.h"

#include <windows.h>
#include <commctrl.h>

#include <optional>
#include <utility>

#include "devices/admit.h"
#include "devices/admit/MachinePolicy.h"
#include "station/app/StationFolderCheck.h"
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

// The station's paths from the executable or the given file; false when they cannot be formed
// (a path too long for its buffer).
bool FormStationPaths(const std::wstring& configPath, ConfigPaths& paths) {
  return configPath.empty() ? FormConfigPaths(paths)
                            : FormConfigPathsFromFile(configPath.c_str(), paths);
}

// "OpenAccount", or nothing when the configuration file cannot even be named: then whether a
// log-on is asked for is unknown, and the station must not start without one.
std::optional<int32_t> ReadOpenAccountSetting(const std::wstring& configPath) {
  ConfigPaths paths{};
  if (!FormStationPaths(configPath, paths)) {
    return std::nullopt;
  }
  return ReadOpenAccount(paths);
}

}  // namespace

CVarnexApp::CVarnexApp(StationStartHooks hooks) : hooks_(std::move(hooks)) {}

CVarnexApp::~CVarnexApp() {
  ExitInstance();
}

StationEnd CVarnexApp::InitInstance() {
  RegisterControlClasses();

  ConfigPaths paths{};
  FormStationPaths(hooks_.configPath, paths);
  instance_ = std::make_unique<StationInstance>(paths.stationDirectory);
  if (!instance_->Claimed()) {
    ShowMessage(kAlreadyRunningText);
    return StationEnd::kAlreadyRunning;
  }

  StationEnd logOn = LogOn();
  if (logOn != StationEnd::kWindowClosed) {
    return logOn;
  }

  // Once, before the window: what the folder will not let the station save.
  const std::wstring problems =
      StationFolderProblems(paths, ReadConfigInt(paths, L"CONTROL", L"Save Log", 0) != 0,
                            ReadConfigInt(paths, L"CONTROL", L"Save Voltage Log", 0) != 0);
  if (!problems.empty()) {
    ShowMessage(problems.c_str());
  }

  phone_ = KV_CreatePhone(0);
  if (phone_ == -1) {
    return StationEnd::kNoPhone;
  }

  if (!hooks_.showMainWindow) {
    return StationEnd::kNoWindow;
  }
  if (!hooks_.showMainWindow(phone_, restricted_)) {
    // A run's worker still uses the handle: it is left open for the rest of the process.
    phone_ = -1;
  }
  return StationEnd::kWindowClosed;
}

void CVarnexApp::ExitInstance() {
  if (phone_ != -1) {
    KV_ReleasePhone(phone_);
    phone_ = -1;
  }
  instance_.reset();
}

StationEnd CVarnexApp::LogOn() {
  restricted_ = 0;
  const std::optional<int32_t> openAccount = ReadOpenAccountSetting(hooks_.configPath);
  if (!openAccount) {
    ShowMessage(kPathTooLongText);
    return StationEnd::kNoConfiguration;
  }
  // The administrator's machine policy asks for the log-on whatever Varnex.ini says, since
  // operators may write that file.
  if (*openAccount == 0 && !admit::LogOnRequiredByPolicy()) {
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
