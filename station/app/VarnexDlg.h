// The station's main window (dialog 102): the result list, the status panel, the counters, the
// scan field and Start/Stop. It owns the station's state for its whole life: the settings, the
// station list, the check engine's context and the run control. Decisions live in
// station/app/core and station/run; this class gathers inputs from the controls and shows the
// outcome on them.
//
//   VarnexDlgSetup setup;  setup.phone = phone;  setup.restricted = restricted;
//   CVarnexDlg window(setup);  window.DoModal();
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <map>
#include <string>

#include "devices/dutlink.h"
#include "station/app/MainToolbar.h"
#include "station/app/core/DisplayQueue.h"
#include "station/config/CheckSettings.h"
#include "station/config/ConfigPaths.h"
#include "station/config/StationList.h"
#include "station/config/WindowSettings.h"
#include "station/controls/ColorStatic.h"
#include "station/controls/DlgAdjustByResolution.h"
#include "station/controls/SortListCtrl.h"
#include "station/engine/CheckContext.h"
#include "station/results/LineResults.h"
#include "station/run/RunControl.h"
#include "station/run/RunDisplay.h"
#include "station/run/core/ScanView.h"
#include "station/ui/Dialog.h"

struct VarnexDlgSetup {
  KV_PHONE phone = -1;
  int32_t restricted = 0;  // 1: an operator with restricted rights
  // The configuration file; empty: the one beside the executable.
  std::wstring configPath;
  // Shows a notice (the fail-ratio notice, settings that could not be saved at closing) and
  // returns when the operator has closed it; null: a modal message box on the window. Tests
  // catch the notices here instead of blocking on them.
  std::function<void(HWND window, const wchar_t* text)> showNotice;
};

class CVarnexDlg : public ui::Dialog,
                   public CDlgAdjustByResolution,
                   public RunDisplay,
                   public ScanView {
 public:
  explicit CVarnexDlg(VarnexDlgSetup setup);
  ~CVarnexDlg() override;

  // After the window closed: a run's worker was still inside a phone call and outlived the
  // closing. It uses this window's context and station list and the phone handle, so none of
  // them may be freed: the owner keeps this object and the handle until the process ends.
  bool RunOutlivedClosing() const { return runOutlived_; }

  // The window's side of the two settings commands, after their dialog was closed with OK:
  // saved at once; snapshot and the parts of the window that follow the settings at once while
  // idle, when the run has ended while a run is active (a link that failed to open shows them
  // at once).
  void ApplySettingsChange();
  void ApplyPortChange();

  // The check engine's context; its row report is the one record message 11138 may name.
  CheckContext& checkContext() { return context_; }

  // RunDisplay.
  bool CheckScannedCodes() override;
  void ShowDetail(const std::wstring& text) override;
  void ShowMessage(const std::wstring& text, uint32_t color) override;
  void SetStatus(int32_t state) override;
  void SetControlsEnabled(int32_t enable) override;
  void SetStartStopText(const wchar_t* text) override;
  void EnableStartStop(bool enable) override;
  void RebuildResultList() override;
  void RefreshCommText() override;

  // ScanView.
  int RowCount() const override;
  std::wstring RowName(int row) const override;
  std::wstring RowDetail(int row) const override;
  int SelectedRow() const override;
  void SelectRow(int row) override;
  void DeselectRow(int row) override;
  void DeselectAll() override;
  void ShowCell(const std::wstring& rowName, int32_t column, const std::wstring& text,
                uint32_t color) override;
  std::wstring Label() const override;
  void SetLabel(const std::wstring& text) override;
  std::wstring ScanText() const override;
  void ClearScanText() override;
  void EnableScanField(bool enable) override;
  void FocusScanField() override;

 protected:
  bool OnInitDialog() override;
  bool OnCommand(int id, int code, HWND control) override;
  bool OnNotify(int id, NMHDR* header, LRESULT& result) override;
  void OnOK() override;
  void OnCancel() override;
  void DoDataExchange(ui::DataExchange& dx) override;
  LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam, bool& handled) override;
  bool PreTranslateMessage(MSG& message) override;

 private:
  void AddAboutMenuItem();
  void MakeRoomForToolbar();
  void SetUpFontsAndColours();
  void LoadStation();
  // False when Varnex.ini could not be written.
  bool SaveStation();
  // Tells the operator on the message line and in the Test Detail box that a save failed.
  void SayNotSaved();
  std::wstring NotSavedText() const;
  // What the logs lost (the engine's log trouble), on the message line and in Test Detail.
  void ShowLogTrouble(const wchar_t* messageLine);
  void ShowNotice(const std::wstring& text);
  void SnapshotSettings();
  void ShowBoundValues();

  void StartStop();
  void OnStopRequest(WPARAM runNumber);
  void ApplyPendingChanges();
  void ShowSettingsChange();
  bool RepostWhileBusy(UINT message, WPARAM wParam, LPARAM lParam);
  void RefreshCounters(bool endOfRun);
  void Clear();
  void ShowAbout(bool stationName);
  void OnSettingCommand();
  void OnPortCommand();
  void OnScanChanged();
  void PaintMinimised();
  void Close();

  // The display work of a run's reports (11138 to 11143): each report is copied into steps
  // and answered at once; a posted follow-up per step shows it. Every display operation of the
  // window's own first shows the steps still waiting, so nothing overtakes a report.
  class QueuedRunMessages : public RunMessageDisplay {
   public:
    explicit QueuedRunMessages(CVarnexDlg& window) : window_(window) {}
    void ShowMessage(const std::wstring& text, uint32_t color) override;
    void SetStatus(int32_t state) override;
    void SetControlsEnabled(int32_t enable) override;
    void RefreshCommText() override;
    void EnableStartStop(bool enable) override;

   private:
    CVarnexDlg& window_;
  };
  // True when `message` was one of a run's reports or a follow-up.
  bool OnDisplayMessage(UINT message, WPARAM wParam, LPARAM lParam);
  void OnRowReport(LPARAM lParam);
  void Queue(DisplayStep step);
  void PostStep();
  void ShowNextStep();
  void ShowWaitingSteps();
  void Show(const DisplayStep& step);
  void ShowDetailNow(const std::wstring& text);
  void ShowMessageNow(const std::wstring& text, uint32_t color);
  void SetStatusNow(int32_t state);
  void SetControlsNow(int32_t enable);
  void RefreshCommTextNow();

  VarnexDlgSetup setup_;
  ConfigPaths paths_{};
  WindowSettings window_{};
  CheckSettings settings_{};
  StationList stations_;
  StationList runStations_;  // the context's copy, replaced with the settings snapshot
  std::map<std::wstring, int> rowIndex_;
  int32_t noticeShown_ = 0;
  bool closing_ = false;
  bool runOutlived_ = false;
  // Confirmed in a dialog while a run was active, waiting for the run's end.
  bool snapshotPending_ = false;
  bool settingsShowPending_ = false;
  bool portShowPending_ = false;
  bool portChangedInRun_ = false;  // the port of the window's settings is the operator's now
  bool pushingData_ = false;       // the data exchange writes the scan field: no scan to judge

  // Bound members.
  std::wstring passText_;
  std::wstring failText_;
  std::wstring ratioText_;
  std::wstring scanText_;
  std::wstring detailText_;

  CSortListCtrl list_;
  CColorStatic itemLabel_;
  CColorStatic message_;
  CColorStatic status_;
  CColorStatic passCount_;
  CColorStatic failCount_;
  CColorStatic passRatio_;
  MainToolbar toolbar_;
  HFONT listFont_ = nullptr;  // "Cambria" 20, list and message line
  HFONT bigFont_ = nullptr;   // "Cambria" 28 bold, label, scan field, Clear, Start/Stop
  HICON icon_ = nullptr;
  HICON smallIcon_ = nullptr;

  // Before the run control: its runs are recorded until the control has shut down.
  LineResults lineResults_;
  CheckContext context_;
  RunControl run_;
  DisplayQueue steps_;
  QueuedRunMessages runMessages_{*this};
};
