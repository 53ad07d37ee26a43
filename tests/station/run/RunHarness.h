// The station window's part in a run, for tests: a hidden window that routes the workers'
// messages to a display that records every operation, and the run control under test.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include <windows.h>

#include "station/config/CheckSettings.h"
#include "station/config/StationList.h"
#include "station/engine/CheckContext.h"
#include "station/run/RunControl.h"
#include "station/run/RunDisplay.h"

// Every display operation as one line: "message:Time Out!:0000FF", "status:4", "button:Start".
class RecordingDisplay : public RunDisplay {
 public:
  bool CheckScannedCodes() override {
    Add(L"codes");
    return codesPresent;
  }
  void ShowDetail(const std::wstring& text) override { Add(L"detail:" + text); }
  void ShowMessage(const std::wstring& text, uint32_t color) override;
  void SetStatus(int32_t state) override { Add(L"status:" + std::to_wstring(state)); }
  void SetControlsEnabled(int32_t enable) override { Add(L"controls:" + std::to_wstring(enable)); }
  void SetStartStopText(const wchar_t* text) override { Add(std::wstring(L"button:") + text); }
  void EnableStartStop(bool enable) override;
  void RebuildResultList() override { Add(L"rebuild"); }
  void RefreshCommText() override { Add(L"comm"); }

  std::vector<std::wstring> Events();
  // The operations that went through the window's thread (the button's enabling left out).
  std::vector<std::wstring> WindowEvents();
  // The last operation starting with `prefix`, or empty.
  std::wstring Last(const std::wstring& prefix);
  bool Has(const std::wstring& event);

  bool codesPresent = true;
  std::set<DWORD> enableThreads;  // the threads that changed the button

 private:
  void Add(const std::wstring& event);
  std::mutex lock_;
  std::vector<std::wstring> events_;
};

class RunHarness {
 public:
  RunHarness();  // phone created, sleeps recorded, no checks but the SIM card
  ~RunHarness();

  // The operator presses Start/Stop.
  void Press();
  // Handles the window's messages until `done` or `milliseconds` have passed; true when done.
  bool PumpUntil(const std::function<bool()>& done, DWORD milliseconds);
  void Pump(DWORD milliseconds) {
    PumpUntil([] { return false; }, milliseconds);
  }
  // Until the run has stopped and its end-of-run message has arrived.
  bool RunToEnd(DWORD milliseconds = 10000);
  // Supply 1 (and 2) on the simulated bench at the given bus addresses.
  void UseSupplies(int32_t address1, int32_t address2 = -1);

  RecordingDisplay display;
  CheckSettings settings{};
  RunLink link;
  StationList stations;
  std::unique_ptr<CheckContext> context;
  std::unique_ptr<RunControl> control;
  HWND window = nullptr;
  int runEnds = 0;     // 11141 received
  int rowReports = 0;  // 11138 received
  int commands = 0;    // Start/Stop commands that reached the window
  // Each row report's text by item name and column, the newest kept, as the window shows it.
  std::map<std::pair<std::wstring, int32_t>, std::wstring> cells;
  uint32_t recordedWait = 0;

 private:
  static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  int runEndsBefore_ = 0;
};
