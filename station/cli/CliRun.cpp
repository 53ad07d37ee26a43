#include "station/cli/CliRun.h"

#include <cstdint>
#include <cwchar>
#include <map>
#include <string>

#include <windows.h>

#include "devices/dutlink.h"
#include "station/cli/Console.h"
#include "station/cli/CliWindow.h"
#include "station/cli/core/RowPrinter.h"
#include "station/config/CheckItemTable.h"
#include "station/config/ConfigFile.h"
#include "station/config/ConfigPaths.h"
#include "station/config/WindowSettings.h"
#include "station/engine/CheckContext.h"
#include "station/engine/LogFiles.h"
#include "station/results/LineConfig.h"
#include "station/results/RunRecorder.h"
#include "station/run/RunControl.h"
#include "station/run/core/IdentityInput.h"

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

int ExitCode(RunEnd end) {
  switch (end) {
    case RunEnd::Passed:
      return kExitPassed;
    case RunEnd::Failed:
      return kExitFailed;
    default:
      return kExitNotStarted;
  }
}

// One Start of the station's run control, driven by a hidden window: the run's worker reports
// through it, and its own stop request ends the run as the station's Stop does.
int RunWithContext(CheckContext& context, const WindowSettings& window, const CliOptions& options,
                   RowPrinter& printer) {
  uint64_t recordedWait = 0;
  InstallWaitsAndPrompt(context, options, recordedWait);
  if (context.settings.saveVoltageLog != 0 && OpenVoltageLog(context) == 0) {
    PrintErr(TakeLogTrouble(context));
  }

  const RunLink link{window.uart, window.port, window.powerOnWaitTime};
  CliWindow cliWindow(printer, link);
  if (cliWindow.handle() == nullptr) {
    PrintErr(L"VarnexCli: cannot create the report window");
    return kExitNotStarted;
  }
  context.window = cliWindow.handle();
  const CheckSettings settings = context.settings;
  // The run's record goes into the spool as the station's does; VarnexCli --send delivers it.
  RunRecorder recorder(RecordSpool(), IdentityFor("VarnexCli", ReadLineConfig()));
  RunEnd end = RunEnd::None;
  bool workerOutlived = false;
  {
    RunControl control(context, cliWindow);
    if (!control.Create(cliWindow.handle())) {
      PrintErr(L"VarnexCli: cannot create the run's events");
      return kExitNotStarted;
    }
    control.SetObserver(&recorder);
    cliWindow.Attach(control, settings);
    InstallStopHandler(cliWindow.handle(), kCliStopMessage);
    SetRunPhase(RunPhase::Connecting);
    control.StartStop(settings, link);
    if (control.lastEnd() == RunEnd::LinkFailed) {
      // The station leaves such a run to the operator's Stop; here it ends at once.
      control.EndRun();
    }
    cliWindow.PumpUntilRunEnded();
    SetRunPhase(RunPhase::Idle);
    end = control.lastEnd();
    workerOutlived = !control.Shutdown();
  }
  // Logs that could not be written are told, and change nothing of the verdict.
  if (const std::wstring trouble = TakeLogTrouble(context); !trouble.empty()) {
    PrintErr(trouble);
  }
  if (options.noWait) {
    PrintOut(Format(L"Waits recorded, not slept: %d ms", static_cast<int>(recordedWait)));
  }
  const int exitCode = ExitCode(end);
  if (options.json) {
    if (const std::string json = recorder.LastRecordJson(); !json.empty()) {
      PrintOutUtf8(json);
    }
  }
  if (exitCode != kExitNotStarted) {
    // The verdict is always the last line, for scripts that read only that.
    PrintOut(exitCode == kExitPassed ? L"PASS" : L"FAIL");
  }
  if (workerOutlived) {
    // A worker is still inside a phone call and uses the context and the phone handle: the
    // process ends here instead of freeing them under it.
    ExitProcess(static_cast<UINT>(exitCode));
  }
  return exitCode;
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

  KV_PHONE phone = KV_CreatePhone(0);
  int exitCode = kExitNotStarted;
  {
    CheckContext context;
    context.stations = &config.stations;
    context.settings = settings;
    context.phone = phone;
    exitCode = RunWithContext(context, config.window, options, printer);
    ShutdownCheckContext(context);
  }
  KV_ReleasePhone(phone);
  return exitCode;
}
