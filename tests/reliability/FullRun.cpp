#include "FullRun.h"

#include <map>
#include <utility>

#include <windows.h>

#include "devices/dutlink.h"
#include "devices/sim/dutlink_sim.h"
#include "devices/sim/powerbench_sim.h"
#include "station/cli/CliRun.h"
#include "tollmark/tollmark.h"

namespace {

// The line's configuration: every check on, limits around the supply voltages, both supplies,
// the four stations of the demo line verified, both logs, factory reset and power off.
constexpr char kConfig[] =
    "[PORT]\r\nUart=0\r\nPort=3\r\n"
    "[CONTROL]\r\nOpenAccount=0\r\nStationMask=15\r\nCalFlagMask=138936319\r\n"
    "CalFlagMaskWCDMA=4111\r\nCalFlagMaskLTE=61503\r\nPower On Wait Time=1000\r\n"
    "Check IMEI1=1\r\nCheck IMEI2=1\r\nCheck IMEI3=1\r\nCheck SN1=1\r\nCheck SN2=1\r\n"
    "Check BT Addr=1\r\nCheck WIFI Addr=1\r\nCheck Calibration Flag=1\r\nCheck SIM Card=1\r\n"
    "Check T Card=1\r\n"
    "Check AUX Voltage 3.6=1\r\nLo Lin AUX 3.6=3550\r\nHi Lin AUX 3.6=3650\r\n"
    "Check AUX Voltage 3.8=1\r\nLo Lin AUX 3.8=3750\r\nHi Lin AUX 3.8=3850\r\n"
    "Check AUX Voltage 4.2=1\r\nLo Lin AUX 4.2=4150\r\nHi Lin AUX 4.2=4250\r\n"
    "Check FGU Voltage 3.6=1\r\nLo Lin FGU 3.6=3550\r\nHi Lin FGU 3.6=3650\r\n"
    "Check FGU Voltage 3.8=1\r\nLo Lin FGU 3.8=3750\r\nHi Lin FGU 3.8=3850\r\n"
    "Check FGU Voltage 4.2=1\r\nLo Lin FGU 4.2=4150\r\nHi Lin FGU 4.2=4250\r\n"
    "Check FGU Type=1\r\nFGU Type=1\r\n"
    "Check Charge Current=1\r\nLo Lin Charge Current=410\r\nHi Lin Charge Current=490\r\n"
    "Check PowerOn Current=1\r\nLo Lin PowerOn Current=120\r\nHi Lin PowerOn Current=200\r\n"
    "Check PowerOff Current=1\r\nLo Lin PowerOff Current=0\r\nHi Lin PowerOff Current=100\r\n"
    "Check DeepSleep Current=1\r\nLo Lin DeepSleep Current=1.00\r\n"
    "Hi Lin DeepSleep Current=2.30\r\n"
    "Check SW=1\r\nCheck AP=1\r\nModem Version=Project: VARNEX_W1.0\r\n"
    "AP Version=VARNEX_AP_W1.0_20261201\r\nCheck MMI CIT=1\r\n"
    "Power Off=1\r\nFactory Reset=1\r\nSave Log=1\r\nSave Voltage Log=1\r\n"
    "Check IMEI3 First Few=1\r\nIMEI3 First Few=8600000\r\n"
    "Check WIFI Addr First Few=1\r\nWIFI Addr First Few=00A0C6\r\n"
    "[POWER SUPPLY]\r\nEnable=1\r\nDC Type=0\r\nGpib Addr=5\r\nVoltage=3.800000\r\n"
    "Dual Power=0\r\nCheck SecureBoot Enable=1\r\n"
    "[POWER SUPPLY 2]\r\nEnable=1\r\nDC Type=3\r\nGpib Addr=6\r\nVoltage=5.000000\r\n";

constexpr const char* kPhoneFunctions[] = {"KV_CreatePhone",
                                           "KV_ReleasePhone",
                                           "KV_BeginPhoneTest",
                                           "KV_EnterModeProcess",
                                           "KV_StopModeProcess",
                                           "KV_EndPhoneTest",
                                           "KV_GetUsbPort",
                                           "KV_SetProperty",
                                           "KV_GetMsVersion",
                                           "KV_GetAPVersion",
                                           "KV_FastReadNvInfo",
                                           "KV_ReadSN",
                                           "KV_gsmReadCalibrationParam",
                                           "KV_wcdmaLoadTestFlag",
                                           "KV_LTEReadCalibrationParam",
                                           "KV_DataEndianConv32",
                                           "KV_DataEndianConv16",
                                           "KV_SendATCommand",
                                           "KV_GetMsVoltage",
                                           "KV_apSendADC",
                                           "KV_apChargeCmd",
                                           "KV_EnterDeepSleepMode",
                                           "KV_PowerOff",
                                           "KV_ReadEnableSecureBoot",
                                           "KV_apReadMMI",
                                           "KV_ReadProductFlash",
                                           "KV_WriteProductFlash",
                                           "KV_FastReadProductInfo",
                                           "KV_FastWriteProductInfo"};

std::string Narrow(const std::wstring& text) {
  std::string out;
  for (wchar_t c : text) {
    out += static_cast<char>(c);
  }
  return out;
}

void WriteBytes(const std::wstring& path, const std::string& text) {
  HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file != INVALID_HANDLE_VALUE) {
    DWORD written = 0;
    WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
    CloseHandle(file);
  }
}

std::string ReadBytes(const std::wstring& path) {
  std::string text;
  HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                            OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    return text;
  }
  char chunk[4096];
  DWORD got = 0;
  while (ReadFile(file, chunk, sizeof chunk, &got, nullptr) && got > 0) {
    text.append(chunk, got);
  }
  CloseHandle(file);
  return text;
}

void RemoveTree(const std::wstring& folder) {
  WIN32_FIND_DATAW found;
  HANDLE search = FindFirstFileW((folder + L"\\*").c_str(), &found);
  if (search != INVALID_HANDLE_VALUE) {
    do {
      const std::wstring name = found.cFileName;
      if (name == L"." || name == L"..") {
        continue;
      }
      const std::wstring full = folder + L"\\" + name;
      if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
        RemoveTree(full);
      } else {
        DeleteFileW(full.c_str());
      }
    } while (FindNextFileW(search, &found));
    FindClose(search);
  }
  RemoveDirectoryW(folder.c_str());
}

// The earlier stations of the line passed on this phone; this station has not run yet.
void PrepareRecord() {
  KV_PHONE phone = KV_CreatePhone(0);
  KVPH_OBJECT record = CreateTollmarkObject(phone);
  if (record != nullptr) {
    InitPhase(record, nullptr, nullptr, nullptr, 0, nullptr, nullptr);
    for (const char* station : {"MMI", "CAL", "FT"}) {
      UpdatePhase(record, station, 1, nullptr, nullptr, nullptr);
    }
    ReleaseTollmarkObject(record);
  }
  KV_ReleasePhone(phone);
}

// Standard output and error of this process go to a file (or nowhere) while a run prints.
class RedirectedOutput {
 public:
  explicit RedirectedOutput(const std::wstring& path) {
    SECURITY_ATTRIBUTES attributes{sizeof attributes, nullptr, FALSE};
    file_ = CreateFileW(path.empty() ? L"NUL" : path.c_str(), GENERIC_WRITE,
                        FILE_SHARE_READ | FILE_SHARE_WRITE, &attributes, CREATE_ALWAYS,
                        FILE_ATTRIBUTE_NORMAL, nullptr);
    out_ = GetStdHandle(STD_OUTPUT_HANDLE);
    err_ = GetStdHandle(STD_ERROR_HANDLE);
    if (file_ != INVALID_HANDLE_VALUE) {
      SetStdHandle(STD_OUTPUT_HANDLE, file_);
      SetStdHandle(STD_ERROR_HANDLE, file_);
    }
  }
  ~RedirectedOutput() {
    SetStdHandle(STD_OUTPUT_HANDLE, out_);
    SetStdHandle(STD_ERROR_HANDLE, err_);
    if (file_ != INVALID_HANDLE_VALUE) {
      CloseHandle(file_);
    }
  }
  RedirectedOutput(const RedirectedOutput&) = delete;
  RedirectedOutput& operator=(const RedirectedOutput&) = delete;

 private:
  HANDLE file_ = INVALID_HANDLE_VALUE;
  HANDLE out_ = nullptr;
  HANDLE err_ = nullptr;
};

int CountFailRows(const std::string& printed) {
  int rows = 0;
  for (size_t at = printed.find(" | FAIL | "); at != std::string::npos;
       at = printed.find(" | FAIL | ", at + 1)) {
    ++rows;
  }
  return rows;
}

std::vector<PBSIM_EVENT> AllSupplyEvents() {
  std::vector<PBSIM_EVENT> events;
  const int32_t count = PBSIM_GetEventCount();
  for (int32_t i = 0; i < count; ++i) {
    PBSIM_EVENT event{};
    if (PBSIM_GetEvent(i, &event) == 0) {
      events.push_back(event);
    }
  }
  return events;
}

}  // namespace

FullRun::FullRun(const std::wstring& folder) : folder_(folder), config_(folder + L"\\Varnex.ini") {
  CreateDirectoryW(folder_.c_str(), nullptr);
  CreateDirectoryW((folder_ + L"\\Log").c_str(), nullptr);
  WriteBytes(config_, kConfig);
  // The first phone of the process reads the profile beside the program; the runs start from
  // the built-in good phone instead, with its flash file in this folder.
  KV_ReleasePhone(KV_CreatePhone(0));
}

void FullRun::Reset(Link link) {
  KVSIM_Reset();
  PBSIM_Reset();
  KVSIM_SetFlashFile(Narrow(folder_ + L"\\Phone.flash").c_str());
  KVSIM_ClearFlash();
  PrepareRecord();
  KVSIM_Reset();  // counters of the preparation cleared; the flash file stays
  // The phone connects over USB at once, so the only wait a run really makes is for a fault.
  KVSIM_SetValue("Phone", "UsbConnectMs", "0");
  PBSIM_Reset();
  WritePrivateProfileStringW(L"PORT", L"Uart", link == Link::Uart ? L"1" : L"0", config_.c_str());
}

RunOutcome FullRun::Run(bool capture) {
  CliOptions options;
  options.configPath = config_;
  options.noWait = true;
  options.noPrompt = true;
  options.codes = {L"860000000000011", L"860000000000029", std::nullopt, L"VX202612090001",
                   L"VX202612090002",  L"00A0C6123456",    std::nullopt};
  const std::wstring printedPath = capture ? folder_ + L"\\printed.txt" : std::wstring();
  RunOutcome outcome;
  LARGE_INTEGER frequency, start, end;
  QueryPerformanceFrequency(&frequency);
  {
    RedirectedOutput redirect(printedPath);
    QueryPerformanceCounter(&start);
    outcome.exitCode = RunCli(options);
    QueryPerformanceCounter(&end);
  }
  outcome.seconds =
      static_cast<double>(end.QuadPart - start.QuadPart) / static_cast<double>(frequency.QuadPart);
  if (capture) {
    outcome.printed = ReadBytes(printedPath);
    outcome.failRows = CountFailRows(outcome.printed);
  }
  return outcome;
}

void FullRun::RemoveTestLogs() const {
  RemoveTree(folder_ + L"\\result");
  RemoveTree(folder_ + L"\\Log");
  CreateDirectoryW((folder_ + L"\\Log").c_str(), nullptr);
}

std::vector<std::string> SupplyProblems() {
  std::vector<std::string> problems;
  std::map<int32_t, bool> released;
  std::map<std::pair<int32_t, int32_t>, float> lastVoltage;  // (supply, channel) -> volts
  bool factoryReleased = false;
  for (const PBSIM_EVENT& event : AllSupplyEvents()) {
    if (event.kind == PBSIM_EVENT_FACTORY_RELEASE) {
      factoryReleased = true;
      continue;
    }
    if (event.kind == PBSIM_EVENT_CREATE) {
      if (event.supplyId >= 0) {  // a failed creation delivers no object
        released[event.supplyId] = false;
      }
      continue;
    }
    if (released[event.supplyId]) {
      problems.push_back("supply " + std::to_string(event.supplyId) + " called after release");
    }
    if (event.kind == PBSIM_EVENT_RELEASE) {
      released[event.supplyId] = true;
    } else if (event.kind == PBSIM_EVENT_SET_VOLTAGE) {
      lastVoltage[{event.supplyId, event.channel}] = event.value;
    }
  }
  for (const auto& [supply, gone] : released) {
    if (!gone) {
      problems.push_back("supply " + std::to_string(supply) + " never released");
    }
  }
  for (const auto& [output, volts] : lastVoltage) {
    if (volts != -1.0f) {
      problems.push_back("supply " + std::to_string(output.first) + " channel " +
                         std::to_string(output.second) + " left at " + std::to_string(volts) +
                         " V");
    }
  }
  if (!factoryReleased) {
    problems.push_back("supply factory never released");
  }
  return problems;
}

std::vector<std::string> LinkProblems() {
  std::vector<std::string> problems;
  const int32_t opened = KVSIM_GetLastCallSerial("KV_BeginPhoneTest");
  if (opened > 0 && KVSIM_GetLastCallSerial("KV_EndPhoneTest") < opened) {
    problems.push_back("link opened and never closed");
  }
  const int32_t mode = KVSIM_GetLastCallSerial("KV_EnterModeProcess");
  if (mode > 0 && KVSIM_GetLastCallSerial("KV_StopModeProcess") < mode) {
    problems.push_back("USB mode process never stopped");
  }
  const int32_t released = KVSIM_GetLastCallSerial("KV_ReleasePhone");
  if (released <= 0) {
    problems.push_back("phone handle never released");
  }
  for (const char* name : PhoneFunctionNames()) {
    if (KVSIM_GetLastCallSerial(name) > released && std::string(name) != "KV_ReleasePhone") {
      problems.push_back(std::string(name) + " called after the phone was released");
    }
  }
  return problems;
}

const std::vector<const char*>& PhoneFunctionNames() {
  static const std::vector<const char*> names(std::begin(kPhoneFunctions),
                                              std::end(kPhoneFunctions));
  return names;
}
