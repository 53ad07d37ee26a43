#include "station/dialogs/PortDlg.h"

#include <commctrl.h>

#include <cwchar>
#include <iterator>
#include <string>
#include <vector>

#include "station/dialogs/DialogIds.h"

namespace {

const wchar_t* const kSupplyTypeItems[] = {L"Keithley [230X]", L"Keithley [2304]",
                                           L"Agilent [663XX]", L"Agilent [E36XX]"};

// The serial ports the system knows, as the registry lists them.
constexpr wchar_t kSerialPortsKey[] = L"HARDWARE\\DEVICEMAP\\SERIALCOMM";
constexpr DWORD kValueNameChars = 200;
constexpr DWORD kValueDataBytes = 20;

struct SupplyControls {
  int box;
  int type;
  int busType;
  int card;
  int cardSpin;
  int address;
  int addressSpin;
  int voltage;
};

const SupplyControls kSupplies[2] = {
    {IDC_PORT_SUPPLY1, IDC_PORT_DC_TYPE1, IDC_PORT_GPIB_TYPE1, IDC_PORT_GPIB_CARD1,
     IDC_PORT_CARD_SPIN1, IDC_PORT_GPIB_ADDR1, IDC_PORT_ADDR_SPIN1, IDC_PORT_VOLTAGE1},
    {IDC_PORT_SUPPLY2, IDC_PORT_DC_TYPE2, IDC_PORT_GPIB_TYPE2, IDC_PORT_GPIB_CARD2,
     IDC_PORT_CARD_SPIN2, IDC_PORT_GPIB_ADDR2, IDC_PORT_ADDR_SPIN2, IDC_PORT_VOLTAGE2},
};

constexpr int32_t kMaxGpibAddress = 30;
constexpr int32_t kMaxGpibCard = 3;
constexpr float kMaxVoltage = 20.0f;

int AddItem(HWND combo, const wchar_t* text) {
  return static_cast<int>(SendMessageW(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text)));
}

std::wstring ComboItemText(HWND combo, int item) {
  LRESULT length = SendMessageW(combo, CB_GETLBTEXTLEN, item, 0);
  if (length == CB_ERR) {
    return {};
  }
  std::vector<wchar_t> text(static_cast<size_t>(length) + 1, L'\0');
  SendMessageW(combo, CB_GETLBTEXT, item, reinterpret_cast<LPARAM>(text.data()));
  return text.data();
}

std::wstring& VisaFolder() {
  static std::wstring folder;
  return folder;
}

}  // namespace

void SetVisaFolder(const std::wstring& folder) {
  VisaFolder() = folder;
}

bool VisaPresent() {
  std::wstring path = VisaFolder();
  if (path.empty()) {
    wchar_t system[MAX_PATH] = {};
    const UINT length = GetSystemDirectoryW(system, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) {
      return false;
    }
    path = system;
  }
  path += L"\\Visa32.dll";
  // As data: the library's start-up code never runs, and no other folder is searched.
  HMODULE visa = LoadLibraryExW(path.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
  if (visa == nullptr) {
    return false;
  }
  FreeLibrary(visa);
  return true;
}

CPortDlg::CPortDlg(const PortValues& initial) : Dialog(IDD_PORT), values(initial) {}

bool CPortDlg::OnInitDialog() {
  for (const SupplyControls& supply : kSupplies) {
    for (const wchar_t* item : kSupplyTypeItems) {
      AddItem(Item(supply.type), item);
    }
  }
  AddItem(Item(IDC_PORT_BAUD), L"115200");
  UpdateData(false);

  FillPortList();
  SendDlgItemMessageW(hwnd(), IDC_PORT_BAUD, CB_SETCURSEL, 0, 0);
  SetUpSpins();
  FillBusTypes();

  ShowEnables(RemoteClicked(values));
  ShowEnables(DualBatteryClicked(values));
  ShowEnables(Supply1Clicked(values));
  ShowEnables(Supply2Clicked(values));
  ShowSupplyBoxes();
  return true;
}

void CPortDlg::DoDataExchange(ui::DataExchange& dx) {
  dx.Check(IDC_PORT_REMOTE, values.powerSupplyUsed);
  dx.ComboIndex(IDC_PORT_DC_TYPE1, values.supplyType[0]);
  dx.IntRange(IDC_PORT_GPIB_CARD1, values.gpibCard[0], 0, kMaxGpibCard);
  dx.ComboIndex(IDC_PORT_DC_TYPE2, values.supplyType[1]);
  dx.IntRange(IDC_PORT_GPIB_ADDR1, values.gpibAddr[0], 0, kMaxGpibAddress);
  dx.FloatRange(IDC_PORT_VOLTAGE1, values.supplyVoltage[0], 0.0f, kMaxVoltage);
  dx.IntRange(IDC_PORT_GPIB_CARD2, values.gpibCard[1], 0, kMaxGpibCard);
  dx.IntRange(IDC_PORT_GPIB_ADDR2, values.gpibAddr[1], 0, kMaxGpibAddress);
  dx.FloatRange(IDC_PORT_VOLTAGE2, values.supplyVoltage[1], 0.0f, kMaxVoltage);
  dx.Check(IDC_PORT_DUAL_BATTERY, values.dualPower);
  dx.Check(IDC_PORT_SUPPLY1, values.supplyEnable[0]);
  dx.Check(IDC_PORT_SUPPLY2, values.supplyEnable[1]);
}

void CPortDlg::FillPortList() {
  HWND combo = Item(IDC_PORT_PORT);
  std::vector<int32_t> numbers;
  HKEY key = nullptr;
  if (RegOpenKeyW(HKEY_LOCAL_MACHINE, kSerialPortsKey, &key) == ERROR_SUCCESS) {
    for (DWORD index = 0;; ++index) {
      wchar_t name[kValueNameChars] = {};
      wchar_t data[kValueDataBytes / sizeof(wchar_t) + 1] = {};
      DWORD nameChars = kValueNameChars;
      DWORD dataBytes = kValueDataBytes;
      DWORD type = 0;
      LONG status = RegEnumValueW(key, index, name, &nameChars, nullptr, &type,
                                  reinterpret_cast<BYTE*>(data), &dataBytes);
      // A value too long for the buffers names no port this station can open; the ports
      // after it are still listed.
      if (status == ERROR_MORE_DATA) {
        continue;
      }
      if (status != ERROR_SUCCESS) {
        break;
      }
      if (type != REG_SZ) {
        continue;
      }
      std::wstring text(data, wcsnlen(data, dataBytes / sizeof(wchar_t)));
      int item = AddItem(combo, text.c_str());
      if (item < 0) {
        continue;
      }
      int32_t number = SerialPortNumber(text);
      SendMessageW(combo, CB_SETITEMDATA, item, number);
      numbers.push_back(number);
    }
    RegCloseKey(key);
  }
  AddItem(combo, kUsbPortItem);
  SendMessageW(combo, CB_SETCURSEL, SelectedPortItem(numbers, values.uart, values.port), 0);
}

void CPortDlg::SetUpSpins() {
  for (int i = 0; i < 2; ++i) {
    const SupplyControls& supply = kSupplies[i];
    HWND addressSpin = Item(supply.addressSpin);
    SendMessageW(addressSpin, UDM_SETRANGE32, 0, kMaxGpibAddress);
    SendMessageW(addressSpin, UDM_SETPOS32, 0, values.gpibAddr[i]);
    SendMessageW(addressSpin, UDM_SETBUDDY, reinterpret_cast<WPARAM>(Item(supply.address)), 0);
    HWND cardSpin = Item(supply.cardSpin);
    SendMessageW(cardSpin, UDM_SETRANGE32, 0, kMaxGpibCard);
    SendMessageW(cardSpin, UDM_SETPOS32, 0, values.gpibCard[i]);
    SendMessageW(cardSpin, UDM_SETBUDDY, reinterpret_cast<WPARAM>(Item(supply.card)), 0);
  }
}

void CPortDlg::FillBusTypes() {
  const bool visa = VisaPresent();
  for (int i = 0; i < 2; ++i) {
    HWND combo = Item(kSupplies[i].busType);
    SendMessageW(combo, CB_RESETCONTENT, 0, 0);
    int ni = AddItem(combo, L"NI GPIB (IE488.2)");
    SendMessageW(combo, CB_SETITEMDATA, ni, kGpibNi);
    if (visa) {
      int item = AddItem(combo, L"VISA GPIB");
      SendMessageW(combo, CB_SETITEMDATA, item, kGpibVisa);
    }
    SendMessageW(combo, CB_SETCURSEL, BusTypeItem(values.gpibType[i], visa), 0);
  }
}

// The supply rules need only the four boxes: a half-typed number elsewhere neither stops a
// click nor is overwritten by it.
void CPortDlg::ReadSupplyBoxes() {
  values.powerSupplyUsed = ItemChecked(IDC_PORT_REMOTE) ? 1 : 0;
  values.dualPower = ItemChecked(IDC_PORT_DUAL_BATTERY) ? 1 : 0;
  values.supplyEnable[0] = ItemChecked(IDC_PORT_SUPPLY1) ? 1 : 0;
  values.supplyEnable[1] = ItemChecked(IDC_PORT_SUPPLY2) ? 1 : 0;
}

void CPortDlg::ShowSupplyBoxes() {
  CheckItem(IDC_PORT_REMOTE, values.powerSupplyUsed != 0);
  CheckItem(IDC_PORT_DUAL_BATTERY, values.dualPower != 0);
  CheckItem(IDC_PORT_SUPPLY1, values.supplyEnable[0] != 0);
  CheckItem(IDC_PORT_SUPPLY2, values.supplyEnable[1] != 0);
}

void CPortDlg::ShowEnables(const PortEnables& enables) {
  const int8_t boxes[2] = {enables.supply1Box, enables.supply2Box};
  const int8_t controls[2] = {enables.supply1Controls, enables.supply2Controls};
  for (int i = 0; i < 2; ++i) {
    const SupplyControls& supply = kSupplies[i];
    if (boxes[i] >= 0) {
      EnableItem(supply.box, boxes[i] != 0);
    }
    if (controls[i] >= 0) {
      for (int id : {supply.type, supply.busType, supply.card, supply.cardSpin, supply.address,
                     supply.addressSpin, supply.voltage}) {
        EnableItem(id, controls[i] != 0);
      }
    }
  }
}

bool CPortDlg::OnCommand(int id, int code, HWND) {
  if (code != BN_CLICKED) {
    return false;
  }
  if (id != IDC_PORT_REMOTE && id != IDC_PORT_DUAL_BATTERY && id != IDC_PORT_SUPPLY1 &&
      id != IDC_PORT_SUPPLY2) {
    return false;
  }
  ReadSupplyBoxes();
  PortEnables enables;
  switch (id) {
    case IDC_PORT_REMOTE:
      enables = RemoteClicked(values);
      break;
    case IDC_PORT_DUAL_BATTERY:
      enables = DualBatteryClicked(values);
      break;
    case IDC_PORT_SUPPLY1:
      enables = Supply1Clicked(values);
      break;
    default:
      enables = Supply2Clicked(values);
      break;
  }
  ShowSupplyBoxes();
  ShowEnables(enables);
  return true;
}

void CPortDlg::OnOK() {
  HWND ports = Item(IDC_PORT_PORT);
  LRESULT selected = SendMessageW(ports, CB_GETCURSEL, 0, 0);
  if (selected != CB_ERR) {
    LRESULT number = SendMessageW(ports, CB_GETITEMDATA, selected, 0);
    TakePortItem(ComboItemText(ports, static_cast<int>(selected)), static_cast<int32_t>(number),
                 values.uart, values.port);
  }
  for (int i = 0; i < 2; ++i) {
    LRESULT item = SendDlgItemMessageW(hwnd(), kSupplies[i].busType, CB_GETCURSEL, 0, 0);
    values.gpibType[i] = BusTypeForItem(static_cast<int>(item));
  }
  if (UpdateData(true)) {
    EndDialog(IDOK);
  }
}
