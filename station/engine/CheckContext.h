// The check engine's context: a member of the main window for its whole life. Every check and
// every supply operation is an operation on it.
#pragma once

#include <cstdint>
#include <cstdio>
#include <functional>
#include <mutex>
#include <string>

#include <windows.h>

#include "devices/dutlink.h"
#include "devices/powerbench.h"
#include "station/config/CheckSettings.h"
#include "station/config/StationList.h"
#include "station/engine/RowReport.h"
#include "station/engine/core/RunCapture.h"
#include "tollmark/tollmark.h"

struct CheckContext {
  const StationList* stations = nullptr;
  IPowerSupply* supply[2] = {nullptr, nullptr};
  CheckSettings settings{};
  IPowerbenchFactory* supplyFactory = nullptr;
  RowReport rowReport{};
  HWND window = nullptr;
  KVPH_OBJECT tollmarkObject = nullptr;
  char logText[4096]{};
  FILE* testLog = nullptr;
  char logName[128]{};
  FILE* voltageLog = nullptr;
  char voltageLine[1024]{};

  // The phone handle of the process, passed first to every phone command.
  KV_PHONE phone = -1;
  // Every wait of the engine goes through here, so tests can record waits instead of sleeping.
  std::function<void(uint32_t milliseconds)> sleep;
  // Asks the operator to unplug the USB cable before a current measurement and waits for OK
  // (a message box in the station, the console in VarnexCli).
  std::function<void()> promptOperator;
  // Guards the supply objects: the window's thread may release them at shutdown while a run's
  // worker still measures; a released object is never called again.
  std::recursive_mutex supplyLock;
  // Guards the test log and the voltage log the same way: the window's thread closes them at
  // shutdown while a run's worker may still write; a write finds its file open or absent, never
  // closed under it.
  std::recursive_mutex logLock;
  // Where the open logs are (ANSI), to name them when they cannot be written.
  char testLogPath[260]{};
  char voltageLogPath[260]{};
  // What the logs lost since the shell last looked, one line each (LogFiles.h); under logLock.
  std::wstring logTrouble;
  // Every cell a run reports and every reading it judges, and its test log's path, for the
  // run's record.
  RunCapture capture;

  CheckContext();   // creates the supply factory
  ~CheckContext();  // releases whatever Shutdown has not
  CheckContext(const CheckContext&) = delete;
  CheckContext& operator=(const CheckContext&) = delete;
};

// Releases the supplies and the factory, the station-record object of the last run, and closes
// the voltage log when saveVoltageLog is set. With `workerOutlived` (a run's worker is still
// inside the checks) the station-record object stays with that worker; the supplies and the log
// go, as a released supply is never called again and a log write finds its file open or absent.
void ShutdownCheckContext(CheckContext& context, bool workerOutlived = false);

// Runs every enabled check in its fixed order; 1 = the phone passed, 0 = it failed.
int32_t RunCheckSequence(CheckContext& context);
