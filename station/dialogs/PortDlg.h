// The port and instruments dialog: how the phone is linked (a serial port or USB) and which
// programmable supplies feed it, with their type, bus, address and voltage.
#pragma once

#include <windows.h>

#include <string>

#include "station/dialogs/core/PortRules.h"
#include "station/ui/Dialog.h"

class CPortDlg : public ui::Dialog {
 public:
  explicit CPortDlg(const PortValues& values);

  // The values shown; after OK they hold what the operator confirmed.
  PortValues values;

 protected:
  bool OnInitDialog() override;
  bool OnCommand(int id, int code, HWND control) override;
  void OnOK() override;
  void DoDataExchange(ui::DataExchange& dx) override;

 private:
  void FillPortList();
  void SetUpSpins();
  void FillBusTypes();
  void ReadSupplyBoxes();
  void ShowSupplyBoxes();
  void ShowEnables(const PortEnables& enables);
};

// Whether a VISA installation is present: its library "Visa32.dll" lies in the VISA folder (the
// system folder) and is a loadable image. It is mapped as data and freed at once, never run.
bool VisaPresent();
// Where VisaPresent looks: the system folder when empty (tests give a folder of their own).
void SetVisaFolder(const std::wstring& folder);
