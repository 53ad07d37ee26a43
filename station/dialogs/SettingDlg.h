// The settings dialog: which checks the station runs, their limits and expected values, the
// earlier stations a phone must have passed, the calibration flags it must carry and how test
// logs are kept. It works on its own copy of the settings and touches the station list's
// selected flags only when confirmed.
#pragma once

#include <windows.h>

#include <functional>

#include "station/config/CheckSettings.h"
#include "station/config/StationList.h"
#include "station/controls/ListCtrlEx.h"
#include "station/dialogs/core/SettingRules.h"
#include "station/ui/Dialog.h"

class CSettingDlg : public ui::Dialog {
 public:
  CSettingDlg(const CheckSettings& settings, StationList& stations);

  // The dialog's copy; after OK it holds what the operator confirmed.
  CheckSettings settings;

  // "Accout Management": the accounts library's editor unless replaced.
  std::function<void()> manageAccounts;

  // Where the version length warnings go: a message box on the dialog unless replaced.
  using WarningSink = std::function<void(HWND dialog, const wchar_t* warning)>;
  static void SetWarningSink(WarningSink sink);

 protected:
  bool OnInitDialog() override;
  bool OnCommand(int id, int code, HWND control) override;
  bool OnNotify(int id, NMHDR* header, LRESULT& result) override;
  void OnOK() override;
  void DoDataExchange(ui::DataExchange& dx) override;

 private:
  void LimitEditBoxes();
  void ApplyEnables();
  void FillStationList();
  void FillCalFlagList();
  void FillLimitList();
  void AddLimitRow(int row);
  void ShowPowerOffView();
  void PowerOffRowToggled(bool wasChecked);
  void Warn(const wchar_t* warning);
  void TakeStations();
  void TakeCalFlags();
  void TakeLimits();

  StationList& stations_;
  CListCtrlEx limits_;
  PowerOffView powerOff_;
  bool fillingLimits_ = false;  // row changes made by the dialog itself are no operator clicks
};
