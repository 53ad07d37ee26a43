// The hidden message window that stands in for the station's main window: it receives the
// engine's row reports and the run's messages, and shows the run's display operations on the
// console.
#pragma once

#include <cstdint>
#include <string>

#include <windows.h>

#include "station/config/CheckSettings.h"
#include "station/run/RunControl.h"
#include "station/run/RunDisplay.h"

class RowPrinter;

// Ctrl+C posts this to the window: the operator's Stop while the station waits for the phone.
inline constexpr UINT kCliStopMessage = WM_APP + 1;

class CliWindow : public RunDisplay {
 public:
  CliWindow(RowPrinter& printer, const RunLink& link);
  ~CliWindow() override;
  CliWindow(const CliWindow&) = delete;
  CliWindow& operator=(const CliWindow&) = delete;

  HWND handle() const { return window_; }
  // The run control that the Start/Stop commands reach, and the settings a start uses.
  void Attach(RunControl& control, const CheckSettings& settings);
  // Handles messages until the run has ended: stopped, and the end-of-run message received
  // when the run ended by itself.
  void PumpUntilRunEnded();

  // RunDisplay: printed lines (red texts on the error output).
  bool CheckScannedCodes() override { return true; }  // VarnexCli checked its codes before
  void ShowDetail(const std::wstring& text) override;
  void ShowMessage(const std::wstring& text, uint32_t color) override;
  void SetStatus(int32_t state) override;
  void SetControlsEnabled(int32_t) override {}
  void SetStartStopText(const wchar_t*) override {}
  void EnableStartStop(bool enable) override;
  void RebuildResultList() override {}
  void RefreshCommText() override;

 private:
  static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam);
  void OnRowReport(LPARAM lParam);
  bool RunOver() const;

  RowPrinter& printer_;
  RunLink link_;
  RunControl* control_ = nullptr;
  const CheckSettings* settings_ = nullptr;
  bool endMessageSeen_ = false;
  HWND window_ = nullptr;
};
