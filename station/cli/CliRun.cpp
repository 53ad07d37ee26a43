#include "station/cli/CliRun.h"

#include <cstdint>
#include <cwchar>
#include <map>
#include <string>

#include <windows.h>

#include "devices/dutlink.h"
#include "station/cli/Console.h"
#include "station/cli/PhoneLink.h"
#include "station/cli/RowWindow.h"
#include "station/cli/core/IdentityInput.h"
#include "station/cli/core/RowPrinter.h"
#include "station/config/CheckItemTable.h"
#include "station/config/ConfigFile.h"
#include "station/config/ConfigPaths.h"
#include "station/config/WindowSettings.h"
#include "station/engine/CheckContext.h"
#include "station/engine/LogFiles.h"
#include "station/engine/SupplyControl.h"

namespace {

constexpr wchar_t kPromptText[] =
    L"请拔出USB线之后点击确认继续测试! \n"
    L"Please plug out the USB cable and then press OK to continue testing.";

struct StationConfig {
  ConfigPaths paths{};
  WindowSettings window{};
  CheckSettings settings{};
  StationList stations;
};

std::wstring Format(const wchar_t* format, int value) {
  wchar_t text[128];
  swprintf(text, std::size(text), format, value);
  return text;
}

bool FileExists(const wchar_t* path) {
  DWORD attributes = GetFileAttributesW(path);
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

// Varnex.ini beside the program (or the one given), Tollmark.ini beside the program: the
// station-record library reads that one too, so the station list must come from the same file.
bool LoadStation(const CliOptions& options, StationConfig& config, std::wstring& error) {
  wchar_t module[MAX_PATH + 1] = {};
  DWORD length = GetModuleFileNameW(nullptr, module, MAX_PATH);
  if (length == 0 || length >= MAX_PATH || !FormConfigPathsFromModule(module, config.paths)) {
    error = L"the program's path is too long";
    return false;
  }
  // The program is VarnexCli.exe but its configuration is the station's Varnex.ini.
  std::wstring configPath = std::wstring(config.paths.stationDirectory) + L"\\Varnex.ini";
  if (options.configPath) {
    // The profile functions look for a bare name in the Windows folder: make it a full path.
    wchar_t full[kPathChars] = {};
    DWORD fullLength = GetFullPathNameW(options.configPath->c_str(), kPathChars, full, nullptr);
    if (fullLength == 0) {
      error = L"configuration path not usable: " + *options.configPath;
      return false;
    }
    if (fullLength >= kPathChars) {
      error = L"configuration path too long: " + *options.configPath;
      return false;
    }
    configPath = full;
    if (!FileExists(configPath.c_str())) {
      error = L"configuration file not found: " + configPath;
      return false;
    }
  }
  if (configPath.size() >= kPathChars) {
    error = L"configuration path too long: " + configPath;
    return false;
  }
  // The station runs on its defaults without these files; say so, or a script would take a
  // run of the default checks for a run of the line's configuration.
  if (!FileExists(configPath.c_str())) {
    PrintErr(L"VarnexCli: " + configPath + L" not found: the station's defaults are used");
  }
  if (!FileExists(config.paths.tollmarkPath)) {
    PrintErr(L"VarnexCli: " + std::wstring(config.paths.tollmarkPath) +
             L" not found: the station list is empty");
  }
  wcsncpy(config.paths.configPath, configPath.c_str(), kPathChars - 1);
  LoadConfigurationFrom(config.paths, config.window, config.settings, config.stations);
  return true;
}

std::map<std::wstring, std::wstring> ExpectedValues(const CheckSettings& settings) {
  std::map<std::wstring, std::wstring> values;
  for (int i = 0; i < kCheckItemCount; ++i) {
    auto item = static_cast<CheckItem>(i);
    if (!ItemEnabled(settings, item)) {
      continue;
    }
    wchar_t text[512];
    ExpectedValueText(settings, item, text, std::size(text));
    values[ItemNames[i]] = text;
  }
  return values;
}

void InstallWaitsAndPrompt(CheckContext& context, const CliOptions& options,
                           uint64_t& recordedWait) {
  bool sleepForReal = !options.noWait;
  context.sleep = [&recordedWait, sleepForReal](uint32_t milliseconds) {
    recordedWait += milliseconds;
    if (sleepForReal) {
      Sleep(milliseconds);
    }
  };
  bool answer = options.noPrompt;
  context.promptOperator = [answer] {
    PrintOut(L"Power Off: " + std::wstring(kPromptText));
    if (answer) {
      PrintOut(L"(answered by --no-prompt)");
    } else {
      PrintOut(L"Press Enter to continue...");
      WaitForEnter();
    }
  };
}

// As the station's Start: open every supply in use (a failure ends the start), then power
// supply 1, and supply 2 when enabled, on.
bool BringSuppliesUp(CheckContext& context) {
  const CheckSettings& settings = context.settings;
  for (int i = 0; i < 2; ++i) {
    if (settings.supplyEnable[i] == 0 || settings.powerSupplyUsed == 0) {
      continue;
    }
    if (OpenSupply(context, i) != 0) {
      PrintOut(Format(L"Init DCS%d Pass!", i));
    } else {
      PrintErr(Format(L"Init DCS%d Fail!", i));
      return false;
    }
  }
  PrintOut(L"Connecting phone, please power on phone ...");
  if (!SupplyExists(context, 0)) {
    OpenSupply(context, 0);
  }
  PowerOnSupply(context, 0);
  if (settings.supplyEnable[1] != 0) {
    if (!SupplyExists(context, 1)) {
      OpenSupply(context, 1);
    }
    PowerOnSupply(context, 1);
  }
  return true;
}

// The station's Stop: supplies off, link closed, then the mode process of the run's worker
// stopped; the station does that for a UART worker as well as for a USB one.
void EndRun(CheckContext& context, bool linkOpened) {
  for (int i = 0; i < 2; ++i) {
    if (context.settings.supplyEnable[i] != 0) {
      PowerOffSupply(context, i);
    }
  }
  KV_EndPhoneTest(context.phone);
  if (linkOpened) {
    KV_StopModeProcess(context.phone);
  }
}

int RunWithContext(CheckContext& context, const WindowSettings& window, const CliOptions& options,
                   RowPrinter& printer) {
  uint64_t recordedWait = 0;
  InstallWaitsAndPrompt(context, options, recordedWait);
  if (context.settings.saveVoltageLog != 0) {
    OpenVoltageLog(context);
  }

  LinkSettings link;
  link.uart = window.uart;
  link.port = window.port;
  link.wcdmaGsm = context.settings.wcdmaGsm;
  link.wcdmaGsmMode = context.settings.wcdmaGsmMode;
  link.powerOnWaitTime = window.powerOnWaitTime;

  HANDLE stop = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  InstallStopHandler(stop);
  SetRunPhase(RunPhase::Connecting);
  if (!BringSuppliesUp(context)) {
    SetRunPhase(RunPhase::Idle);
    CloseHandle(stop);
    return kExitNotStarted;
  }
  LinkResult up =
      OpenPhoneLink(context.phone, link, stop, [](const std::wstring& text) { PrintOut(text); });

  int32_t verdict = 0;
  if (up.state == LinkState::Up) {
    SetRunPhase(RunPhase::Checking);
    // As the station's communication text: a USB port the phone library did not report is X.
    if (link.uart != 0) {
      PrintOut(Format(L"Uart Communication, Port: %d", up.port));
    } else if (up.port == -1) {
      PrintOut(L"USB Communication, Port: X");
    } else {
      PrintOut(Format(L"USB Communication, Port: %d", up.port));
    }
    verdict = RunCheckSequence(context);
    printer.Finish();
  }
  EndRun(context, up.state != LinkState::OpenFailed);
  SetRunPhase(RunPhase::Idle);
  CloseHandle(stop);
  if (options.noWait) {
    PrintOut(Format(L"Waits recorded, not slept: %d ms", static_cast<int>(recordedWait)));
  }
  if (up.state != LinkState::Up) {
    PrintErr(up.message);
    return kExitNotStarted;
  }
  // The verdict is always the last line, for scripts that read only that.
  PrintOut(L"Finished!");
  PrintOut(verdict != 0 ? L"PASS" : L"FAIL");
  return verdict != 0 ? kExitPassed : kExitFailed;
}

}  // namespace

int RunCli(const CliOptions& options) {
  StationConfig config;
  std::wstring error;
  if (!LoadStation(options, config, error)) {
    PrintErr(L"VarnexCli: " + error);
    return kExitNotStarted;
  }

  CheckSettings settings = config.settings;
  ApplyPrefixes(settings);
  std::wstring notes;
  error = ApplyScannedCodes(settings, options.codes, notes);
  if (!notes.empty()) {
    PrintErr(notes.substr(0, notes.size() - 1));
  }
  if (!error.empty()) {
    PrintErr(L"VarnexCli: " + error);
    return kExitNotStarted;
  }
  if (int missing = FirstMissingCode(settings); missing >= 0) {
    PrintErr(MissingCodeMessage(missing) + L" (give it with " + IdentityOption(missing) + L")");
    return kExitNotStarted;
  }

  RowPrinter printer(
      ExpectedValues(settings), [](const std::wstring& line) { PrintOut(line); }, options.brief);
  RowWindow rows(printer);
  if (rows.handle() == nullptr) {
    PrintErr(L"VarnexCli: cannot create the report window");
    return kExitNotStarted;
  }

  KV_PHONE phone = KV_CreatePhone(0);
  int exitCode = kExitNotStarted;
  {
    CheckContext context;
    context.stations = &config.stations;
    context.window = rows.handle();
    context.settings = settings;
    context.phone = phone;
    exitCode = RunWithContext(context, config.window, options, printer);
    ShutdownCheckContext(context);
  }
  KV_ReleasePhone(phone);
  return exitCode;
}
