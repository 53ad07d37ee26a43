// The port and instruments dialog under Wine, opened the way the main window opens it, with
// the serial ports the test writes into its own registry.
#include <windows.h>

#include <commctrl.h>
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "DialogDriver.h"
#include "station/dialogs/DialogIds.h"
#include "station/dialogs/DialogCommands.h"
#include "station/dialogs/PortDlg.h"
#include "station/ui/DataExchange.h"

namespace {

constexpr wchar_t kSerialKey[] = L"HARDWARE\\DEVICEMAP\\SERIALCOMM";

// Replaces the system's serial ports by the test's own while it lives, then puts the system's
// back.
class SerialPorts {
 public:
  explicit SerialPorts(const std::vector<std::pair<const wchar_t*, const wchar_t*>>& ports) {
    RegCreateKeyExW(HKEY_LOCAL_MACHINE, kSerialKey, 0, nullptr, REG_OPTION_VOLATILE, KEY_ALL_ACCESS,
                    nullptr, &key_, nullptr);
    for (;;) {
      wchar_t name[256] = {};
      BYTE data[256] = {};
      DWORD nameChars = 256, dataBytes = sizeof data, type = 0;
      if (RegEnumValueW(key_, 0, name, &nameChars, nullptr, &type, data, &dataBytes) !=
          ERROR_SUCCESS) {
        break;
      }
      saved_.push_back({name, std::vector<BYTE>(data, data + dataBytes), type});
      RegDeleteValueW(key_, name);
    }
    for (const auto& [name, port] : ports) {
      RegSetValueExW(key_, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(port),
                     static_cast<DWORD>((wcslen(port) + 1) * sizeof(wchar_t)));
    }
  }
  ~SerialPorts() {
    for (;;) {
      wchar_t name[256] = {};
      DWORD nameChars = 256;
      if (RegEnumValueW(key_, 0, name, &nameChars, nullptr, nullptr, nullptr, nullptr) !=
          ERROR_SUCCESS) {
        break;
      }
      RegDeleteValueW(key_, name);
    }
    for (const Saved& value : saved_) {
      RegSetValueExW(key_, value.name.c_str(), 0, value.type, value.data.data(),
                     static_cast<DWORD>(value.data.size()));
    }
    RegCloseKey(key_);
  }
  bool ok() const { return key_ != nullptr; }

 private:
  struct Saved {
    std::wstring name;
    std::vector<BYTE> data;
    DWORD type;
  };
  HKEY key_ = nullptr;
  std::vector<Saved> saved_;
};

class PortDialog : public testing::Test {
 protected:
  void SetUp() override {
    ui::DataExchange::SetMessageSink(
        [this](HWND, const std::wstring& message) { messages.push_back(message); });
    window.uart = 1;
    window.port = 12;
    settings.powerSupplyUsed = 1;
    settings.supplyEnable[0] = 1;
    settings.supplyEnable[1] = 1;
    settings.supplyType[1] = 3;
    settings.gpibAddr[0] = 5;
    settings.gpibAddr[1] = 6;
    settings.gpibType[0] = 3;
    settings.supplyVoltage[0] = 3.8f;
    settings.supplyVoltage[1] = 4.2f;
  }
  void TearDown() override { ui::DataExchange::SetMessageSink(nullptr); }
  bool Run(DialogDriver& driver) {
    driver.Arm();
    bool ok = RunPortCommand(nullptr, window, settings);
    EXPECT_TRUE(driver.ran) << "the dialog never showed";
    EXPECT_FALSE(driver.stuck) << "the dialog did not close when pressed";
    return ok;
  }

  // The registry lists values in name order under Wine, in the order written on Windows.
  SerialPorts ports{{{L"\\Device\\Serial0", L"COM3"}, {L"\\Device\\Serial1", L"COM12"}}};
  WindowSettings window{};
  CheckSettings settings{};
  std::vector<std::wstring> messages;
};

const int kSupply2Controls[] = {IDC_PORT_DC_TYPE2,   IDC_PORT_GPIB_TYPE2, IDC_PORT_GPIB_CARD2,
                                IDC_PORT_CARD_SPIN2, IDC_PORT_GPIB_ADDR2, IDC_PORT_ADDR_SPIN2,
                                IDC_PORT_VOLTAGE2};

TEST_F(PortDialog, OpensWithTheSystemsPortsAndTheSuppliesAsStored) {
  ASSERT_TRUE(ports.ok());
  ASSERT_FALSE(VisaPresent()) << "this test expects no VISA installation";
  DialogDriver driver;
  std::vector<std::wstring> items, supplyTypes;
  int selected = -1, baud = -1;
  std::wstring baudText, address2, busType;
  int busTypes = 0;
  LRESULT addressRange = 0, cardRange = 0;
  bool cardBuddy = false, icon = false, supply2Enabled = false;
  driver.step = [&](HWND d) {
    for (int i = 0; i < ComboCount(d, IDC_PORT_PORT); ++i) {
      items.push_back(ComboItem(d, IDC_PORT_PORT, i));
    }
    selected = ComboSelection(d, IDC_PORT_PORT);
    baud = ComboSelection(d, IDC_PORT_BAUD);
    baudText = ComboItem(d, IDC_PORT_BAUD, 0);
    for (int i = 0; i < ComboCount(d, IDC_PORT_DC_TYPE2); ++i) {
      supplyTypes.push_back(ComboItem(d, IDC_PORT_DC_TYPE2, i));
    }
    supplyTypes.push_back(std::to_wstring(ComboSelection(d, IDC_PORT_DC_TYPE2)));
    busTypes = ComboCount(d, IDC_PORT_GPIB_TYPE1);
    busType = ComboItem(d, IDC_PORT_GPIB_TYPE1, ComboSelection(d, IDC_PORT_GPIB_TYPE1));
    address2 = Text(d, IDC_PORT_GPIB_ADDR2);
    int low = 0, high = 0;
    SendDlgItemMessageW(d, IDC_PORT_ADDR_SPIN1, UDM_GETRANGE32, reinterpret_cast<WPARAM>(&low),
                        reinterpret_cast<LPARAM>(&high));
    addressRange = MAKELONG(low, high);
    SendDlgItemMessageW(d, IDC_PORT_CARD_SPIN2, UDM_GETRANGE32, reinterpret_cast<WPARAM>(&low),
                        reinterpret_cast<LPARAM>(&high));
    cardRange = MAKELONG(low, high);
    cardBuddy =
        reinterpret_cast<HWND>(SendDlgItemMessageW(d, IDC_PORT_CARD_SPIN2, UDM_GETBUDDY, 0, 0)) ==
        GetDlgItem(d, IDC_PORT_GPIB_CARD2);
    HWND iconControl = nullptr;
    EnumChildWindows(
        d,
        [](HWND child, LPARAM out) -> BOOL {
          if ((GetWindowLongW(child, GWL_STYLE) & SS_TYPEMASK) == SS_ICON) {
            *reinterpret_cast<HWND*>(out) = child;
            return FALSE;
          }
          return TRUE;
        },
        reinterpret_cast<LPARAM>(&iconControl));
    icon = iconControl != nullptr && SendMessageW(iconControl, STM_GETICON, 0, 0) != 0;
    supply2Enabled = Enabled(d, IDC_PORT_SUPPLY2) && Enabled(d, IDC_PORT_VOLTAGE2);
    SetText(d, IDC_PORT_GPIB_CARD1, L"3");
  };
  ASSERT_TRUE(Run(driver));
  EXPECT_EQ((std::vector<std::wstring>{L"COM3", L"COM12", L"USB"}), items);
  EXPECT_EQ(1, selected);
  EXPECT_EQ(0, baud);
  EXPECT_EQ(L"115200", baudText);
  EXPECT_EQ((std::vector<std::wstring>{L"Keithley [230X]", L"Keithley [2304]", L"Agilent [663XX]",
                                       L"Agilent [E36XX]", L"3"}),
            supplyTypes);
  EXPECT_EQ(1, busTypes);
  EXPECT_EQ(L"NI GPIB (IE488.2)", busType);
  EXPECT_EQ(L"6", address2);
  EXPECT_EQ(MAKELONG(0, 30), addressRange);
  EXPECT_EQ(MAKELONG(0, 3), cardRange);
  EXPECT_TRUE(cardBuddy);
  EXPECT_TRUE(icon);
  EXPECT_TRUE(supply2Enabled);
  EXPECT_TRUE(messages.empty());
  EXPECT_EQ(1, window.uart);
  EXPECT_EQ(12, window.port);
  EXPECT_EQ(1, settings.gpibType[0]) << "no VISA: the stored 3 becomes the NI interface";
  EXPECT_EQ(1, settings.gpibType[1]);
  EXPECT_EQ(3, settings.gpibCard[0]) << "card 3 is accepted";
  EXPECT_FLOAT_EQ(4.2f, settings.supplyVoltage[1]);
}

TEST_F(PortDialog, AMissingPortFallsBackToTheFirstAndUsbStaysUsb) {
  struct Case {
    int32_t uart, port;
    int selected;
    int32_t uartAfter, portAfter;
  };
  for (const Case& c : {Case{1, 7, 0, 1, 3}, Case{0, 12, 2, 0, 12}, Case{0, -1, 2, 0, -1}}) {
    window.uart = c.uart;
    window.port = c.port;
    DialogDriver driver;
    int selected = -1;
    driver.step = [&](HWND d) { selected = ComboSelection(d, IDC_PORT_PORT); };
    ASSERT_TRUE(Run(driver));
    EXPECT_EQ(c.selected, selected) << c.uart << " " << c.port;
    EXPECT_EQ(c.uartAfter, window.uart);
    EXPECT_EQ(c.portAfter, window.port);
  }
}

TEST_F(PortDialog, DualBatteryLeavesSupplyTwoOutEvenWhenCancelled) {
  settings.dualPower = 1;
  for (int press : {IDCANCEL, IDOK}) {
    settings.supplyEnable[1] = 1;
    DialogDriver driver;
    driver.press = press;
    bool box = true, boxEnabled = true, anyControlEnabled = true, dualEnabled = false;
    driver.step = [&](HWND d) {
      box = Checked(d, IDC_PORT_SUPPLY2);
      boxEnabled = Enabled(d, IDC_PORT_SUPPLY2);
      anyControlEnabled = false;
      for (int id : kSupply2Controls) {
        anyControlEnabled = anyControlEnabled || Enabled(d, id);
      }
      dualEnabled = Enabled(d, IDC_PORT_DUAL_BATTERY);
    };
    EXPECT_EQ(press == IDOK, Run(driver));
    EXPECT_FALSE(box);
    EXPECT_FALSE(boxEnabled);
    EXPECT_FALSE(anyControlEnabled);
    EXPECT_TRUE(dualEnabled);
    EXPECT_EQ(0, settings.supplyEnable[1]);
    EXPECT_EQ(1, settings.supplyEnable[0]);
    EXPECT_EQ(1, settings.dualPower);
  }
}

TEST_F(PortDialog, ClearingRemoteClearsBothSuppliesAndOutOfRangeValuesAreRefused) {
  DialogDriver driver;
  std::vector<std::wstring> seen;
  bool box1 = true, box2 = true, box1Enabled = true;
  driver.step = [&](HWND d) {
    SetText(d, IDC_PORT_GPIB_ADDR1, L"31");
    PressNow(d, IDOK);
    SetText(d, IDC_PORT_GPIB_ADDR1, L"30");
    SetText(d, IDC_PORT_VOLTAGE2, L"20.5");
    PressNow(d, IDOK);
    SetText(d, IDC_PORT_VOLTAGE2, L"four");
    PressNow(d, IDOK);
    SetText(d, IDC_PORT_VOLTAGE2, L"20");
    seen = messages;
    Click(d, IDC_PORT_REMOTE);
    box1 = Checked(d, IDC_PORT_SUPPLY1);
    box2 = Checked(d, IDC_PORT_SUPPLY2);
    box1Enabled = Enabled(d, IDC_PORT_SUPPLY1);
    SendDlgItemMessageW(d, IDC_PORT_PORT, CB_SETCURSEL, 2, 0);  // USB
  };
  ASSERT_TRUE(Run(driver));
  EXPECT_EQ((std::vector<std::wstring>{L"Enter an integer between 0 and 30.",
                                       L"Enter a number between 0 and 20.", L"Enter a number."}),
            seen);
  EXPECT_FALSE(box1 || box2 || box1Enabled);
  EXPECT_EQ(0, settings.powerSupplyUsed);
  EXPECT_EQ(0, settings.supplyEnable[0]);
  EXPECT_EQ(0, settings.supplyEnable[1]);
  EXPECT_EQ(30, settings.gpibAddr[0]);
  EXPECT_FLOAT_EQ(20.0f, settings.supplyVoltage[1]);
  EXPECT_EQ(0, window.uart);
  EXPECT_EQ(12, window.port) << "USB keeps the port number";
}

TEST_F(PortDialog, ASupplyNotFittedKeepsItsStoredValuesAndNeverBlocksOk) {
  settings.supplyEnable[1] = 0;
  settings.gpibAddr[1] = 31;
  settings.supplyVoltage[1] = 25.0f;
  DialogDriver driver;
  bool voltageEnabled = true;
  driver.step = [&](HWND d) { voltageEnabled = Enabled(d, IDC_PORT_VOLTAGE2); };
  ASSERT_TRUE(Run(driver));
  EXPECT_FALSE(voltageEnabled);
  EXPECT_TRUE(messages.empty()) << messages.front();
  EXPECT_FLOAT_EQ(25.0f, settings.supplyVoltage[1]);
  EXPECT_EQ(0, settings.supplyEnable[1]);
}

TEST_F(PortDialog, VisaInstallationOffersItsBusTypeAndIsNeverRun) {
  SetEnvironmentVariableW(L"VARNEX_TEST_VISA_RAN", nullptr);
  // Beside the program the library does not count: only the VISA folder (the system's) does.
  ASSERT_TRUE(CopyFileW(L"visa\\Visa32.dll", L"Visa32.dll", FALSE));
  const bool besideProgram = VisaPresent();
  DeleteFileW(L"Visa32.dll");
  EXPECT_FALSE(besideProgram);

  wchar_t program[MAX_PATH] = {};
  GetModuleFileNameW(nullptr, program, MAX_PATH);
  std::wstring folder = program;
  folder = folder.substr(0, folder.find_last_of(L'\\')) + L"\\visa-folder";
  CreateDirectoryW(folder.c_str(), nullptr);
  const std::wstring library = folder + L"\\Visa32.dll";
  ASSERT_TRUE(CopyFileW(L"visa\\Visa32.dll", library.c_str(), FALSE));
  SetVisaFolder(folder);
  settings.gpibType[1] = 3;
  DialogDriver driver;
  std::wstring visaItem;
  LRESULT visaData = 0;
  int selected1 = -1, selected2 = -1;
  driver.step = [&](HWND d) {
    visaItem = ComboItem(d, IDC_PORT_GPIB_TYPE1, 1);
    visaData = SendDlgItemMessageW(d, IDC_PORT_GPIB_TYPE1, CB_GETITEMDATA, 1, 0);
    selected1 = ComboSelection(d, IDC_PORT_GPIB_TYPE1);
    selected2 = ComboSelection(d, IDC_PORT_GPIB_TYPE2);
    SendDlgItemMessageW(d, IDC_PORT_GPIB_TYPE2, CB_SETCURSEL, 0, 0);
  };
  bool ok = Run(driver);
  SetVisaFolder(L"");
  const bool freed = DeleteFileW(library.c_str()) != FALSE;
  ASSERT_TRUE(ok);
  EXPECT_TRUE(freed) << "the dialog keeps the library loaded";
  EXPECT_EQ(GetEnvironmentVariableW(L"VARNEX_TEST_VISA_RAN", nullptr, 0), 0u)
      << "the library's start-up code ran";
  EXPECT_EQ(L"VISA GPIB", visaItem);
  EXPECT_EQ(3, visaData);
  EXPECT_EQ(1, selected1);
  EXPECT_EQ(1, selected2);
  EXPECT_EQ(3, settings.gpibType[0]);
  EXPECT_EQ(1, settings.gpibType[1]);
}

}  // namespace
