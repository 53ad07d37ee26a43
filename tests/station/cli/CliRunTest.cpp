// VarnexCli.exe end to end on the simulated phone and supplies, with the demo configuration.
#include <string>
#include <vector>

#include <windows.h>

#include <gtest/gtest.h>

#include "CliProcess.h"

namespace {

const std::vector<const char*> kEarlierStations = {"MMI", "CAL", "FT"};

std::vector<std::wstring> DemoCodes() {
  return {L"--imei1", L"860000000000011", L"--imei2",   L"860000000000029",
          L"--sn1",   L"VX202612090001",  L"--sn2",     L"VX202612090002",
          L"--bt",    L"00A0C6123456",    L"--no-wait", L"--no-prompt"};
}

std::vector<std::wstring> Without(std::vector<std::wstring> args, const std::wstring& option) {
  for (size_t i = 0; i + 1 < args.size(); ++i) {
    if (args[i] == option) {
      args.erase(args.begin() + static_cast<long>(i), args.begin() + static_cast<long>(i) + 2);
      break;
    }
  }
  return args;
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  size_t at = 0;
  while (at < text.size()) {
    size_t end = text.find('\n', at);
    if (end == std::string::npos) {
      end = text.size();
    }
    std::string line = text.substr(at, end - at);
    if (!line.empty() && line.back() == '\r') {
      line.pop_back();
    }
    lines.push_back(line);
    at = end + 1;
  }
  return lines;
}

// The printed row of an item: "item | expected | result | detail".
std::string Row(const std::string& out, const std::string& item) {
  for (const std::string& line : Lines(out)) {
    if (line.rfind(item + " | ", 0) == 0) {
      return line;
    }
  }
  return "(no row " + item + ")";
}

bool Contains(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

std::string LastLine(const std::string& out) {
  std::vector<std::string> lines = Lines(out);
  while (!lines.empty() && lines.back().empty()) {
    lines.pop_back();
  }
  return lines.empty() ? "" : lines.back();
}

// Every row the demo configuration shows, with the expected value the list would show.
const char* const kDemoRows[][2] = {
    {"IMEI1", "860000000000011"},
    {"IMEI2", "860000000000029"},
    {"IMEI3", "8600000"},
    {"SN1", "VX202612090001"},
    {"SN2", "VX202612090002"},
    {"BT Addr", "00A0C6123456"},
    {"WIFI Addr", "00A0C6"},
    {"Calibration Flag", "---"},
    {"SIM Card", "---"},
    {"T Card", "---"},
    {"AUX Voltage 3.6", "Lo Lim:3550 Hi Lim: 3650"},
    {"FGU Voltage 3.6", "Lo Lim:3550 Hi Lim: 3650"},
    {"AUX Voltage 3.8", "Lo Lim:3750 Hi Lim: 3850"},
    {"FGU Voltage 3.8", "Lo Lim:3750 Hi Lim: 3850"},
    {"AUX Voltage 4.2", "Lo Lim:4150 Hi Lim: 4250"},
    {"FGU Voltage 4.2", "Lo Lim:4150 Hi Lim: 4250"},
    {"FGU Type", "1"},
    {"Modem Version", "Project: VARNEX_W1.0"},
    {"AP Version", "VARNEX_AP_W1.0_20261201"},
    {"Native MMI Flag", "---"},
    {"Toll Mark", "---"},
    {"SecureBoot Enable Flag", "1"},
    {"Charge Current", "Lo Lim:410 Hi Lim: 490 mA"},
    {"Power On Current", "Lo Lim:120 Hi Lim: 200 mA"},
    {"Deep Sleep Current", "Lo Lim:1.00 Hi Lim: 2.30 mA"},
    {"Power Off Current", "Lo Lim:0 Hi Lim: 100 uA"},
};

}  // namespace

TEST(VarnexCli, TheGoodDemoPhonePassesEveryRow) {
  StationFolder station("good");
  station.PrepareRecord(kEarlierStations);
  CliRun run = station.Run(DemoCodes());
  EXPECT_EQ(run.exitCode, 0) << run.out << run.err;
  EXPECT_TRUE(Contains(run.out, "Init DCS0 Pass!\nInit DCS1 Pass!\n")) << run.out;
  for (const auto& row : kDemoRows) {
    std::string start = std::string(row[0]) + " | " + row[1] + " | PASS |";
    EXPECT_EQ(Row(run.out, row[0]).rfind(start, 0), 0u) << Row(run.out, row[0]);
  }
  EXPECT_TRUE(Contains(run.out,
                       "Toll Mark | --- | PASS | MMI station: PASS\n    CAL station: PASS\n"
                       "    FT station: PASS\n    VARNEX station: PASS\n"))
      << run.out;
  EXPECT_EQ(LastLine(run.out), "PASS");
  EXPECT_TRUE(Contains(run.out, "Waits recorded, not slept: ")) << run.out;
  EXPECT_EQ(run.err, "");
}

TEST(VarnexCli, TheGoodRunWritesTheTestLogAndTheVoltageLog) {
  StationFolder station("logs");
  station.PrepareRecord(kEarlierStations);
  const std::string configBefore = station.ReadFile(L"Varnex.ini");
  ASSERT_EQ(station.Run(DemoCodes()).exitCode, 0);
  // The station's counters and settings stay as they were: the program only reads them.
  EXPECT_EQ(station.ReadFile(L"Varnex.ini"), configBefore);

  std::vector<std::wstring> days = station.List(L"result\\*");
  ASSERT_EQ(days.size(), 1u);
  std::vector<std::wstring> logs = station.List(L"result\\" + days[0] + L"\\*.csv");
  ASSERT_EQ(logs.size(), 1u);
  EXPECT_EQ(logs[0].rfind(L"VX202612090001_", 0), 0u);  // "Save Log" 1 names it after SN1
  std::string testLog = station.ReadFile(L"result\\" + days[0] + L"\\" + logs[0]);
  EXPECT_EQ(testLog.rfind("Item,Expected Value,Result,Test Detail\r\n", 0), 0u) << testLog;
  EXPECT_TRUE(Contains(testLog, "\r\nSIM Card,---,PASS,")) << testLog;

  std::vector<std::wstring> voltageLogs = station.List(L"Log\\voltage_*.csv");
  ASSERT_EQ(voltageLogs.size(), 1u);
  std::string voltages = station.ReadFile(L"Log\\" + voltageLogs[0]);
  // The readings follow supply 1 through the three steps (the battery word's 3600 mV reads as
  // 3599 after its conversion); FGU type 1 ends the line.
  EXPECT_EQ(voltages,
            "SN,AUX 3.6V,FGU 3.6V,AUX 3.8V,FGU 3.8V,AUX 4.2V,FGU 4.2V,FGU TYPE,\r\n"
            "VX202612090001,3599,3600,3799,3800,4199,4200,1,\r\n");
}

TEST(VarnexCli, LogsThatCannotBeWrittenAreToldAndTheVerdictStands) {
  StationFolder station("lost-logs");
  station.PrepareRecord(kEarlierStations);
  // No Log folder, and a plain file where the result folder goes.
  ASSERT_TRUE(RemoveDirectoryW(station.File(L"Log").c_str()));
  station.WriteFile(L"result", "not a folder");
  CliRun run = station.Run(DemoCodes());
  EXPECT_EQ(run.exitCode, 0) << run.err;
  EXPECT_EQ(LastLine(run.out), "PASS");
  EXPECT_TRUE(Contains(run.err, "The voltage log could not be created")) << run.err;
  EXPECT_TRUE(Contains(run.err, "The test log could not be created")) << run.err;
  EXPECT_TRUE(Contains(run.err,
                       "The voltage log is not open: the voltages of this run were not "
                       "saved."))
      << run.err;
}

TEST(VarnexCli, TheFailingDemoPhoneFailsExactlyItsFaults) {
  StationFolder station("failing");
  station.WriteFile(L"DutlinkSim.ini", ReadWholeFile(TestProgramFolder() + L"\\FailingPhone.ini"));
  station.PrepareRecord(kEarlierStations);
  CliRun run = station.Run(DemoCodes());
  EXPECT_EQ(run.exitCode, 1) << run.out << run.err;
  const char* const failing[] = {"Calibration Flag", "SIM Card", "AP Version", "Toll Mark"};
  for (const auto& row : kDemoRows) {
    bool fails = false;
    for (const char* item : failing) {
      fails = fails || std::string(item) == row[0];
    }
    std::string start = std::string(row[0]) + " | " + row[1] + (fails ? " | FAIL |" : " | PASS |");
    EXPECT_EQ(Row(run.out, row[0]).rfind(start, 0), 0u) << Row(run.out, row[0]);
  }
  EXPECT_TRUE(Contains(run.out, "    MMI CIT: FAIL")) << run.out;
  // The station wrote its own failure into the record before verifying it.
  EXPECT_TRUE(Contains(run.out, "    VARNEX station: FAIL")) << run.out;
  EXPECT_EQ(LastLine(run.out), "FAIL");
}

TEST(VarnexCli, AMissingScannedCodeRefusesToStart) {
  StationFolder station("missing");
  CliRun run = station.Run(Without(DemoCodes(), L"--sn2"));
  EXPECT_EQ(run.exitCode, 2);
  EXPECT_EQ(run.err, "Please input SN2 first! (give it with --sn2)\n");
  EXPECT_FALSE(Contains(run.out, "Init DCS")) << run.out;
  EXPECT_TRUE(station.List(L"Log\\*.csv").empty());
}

TEST(VarnexCli, ACodeOfTheWrongLengthRefusesToStart) {
  StationFolder station("length");
  std::vector<std::wstring> args = Without(DemoCodes(), L"--imei1");
  args.push_back(L"--imei1=86000000000001");
  CliRun run = station.Run(args);
  EXPECT_EQ(run.exitCode, 2);
  EXPECT_EQ(run.err, "VarnexCli: --imei1 must have 15 characters, got 14\n");
}

TEST(VarnexCli, ASupplyThatFailsToOpenStopsTheStart) {
  StationFolder station("supply");
  station.SetConfig(L"POWER SUPPLY 2", L"Gpib Addr", L"31");  // no instrument answers there
  CliRun run = station.Run(DemoCodes());
  EXPECT_EQ(run.exitCode, 2);
  EXPECT_EQ(run.out.rfind("Init DCS0 Pass!\n", 0), 0u) << run.out;
  EXPECT_TRUE(Contains(run.err, "Init DCS1 Fail!\n")) << run.err;
  EXPECT_FALSE(Contains(run.out, "Connecting phone")) << run.out;
  EXPECT_FALSE(Contains(run.out, " | PASS |")) << run.out;
}

TEST(VarnexCli, LinkFailuresUseTheStationsTexts) {
  {
    StationFolder station("usb-timeout");
    station.WriteFile(L"DutlinkSim.ini", "[Phone]\nUsbConnectMs=-1\n");
    station.SetConfig(L"CONTROL", L"Power On Wait Time", L"300");
    CliRun run = station.Run(DemoCodes());
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_EQ(run.err, "Time Out!\n");
    EXPECT_TRUE(Contains(run.out, "Please powered on the phone... ...\n")) << run.out;
  }
  {
    StationFolder station("uart-silent");
    station.WriteFile(L"DutlinkSim.ini", "[Phone]\nUartSilentAttempts=4\n");
    station.SetConfig(L"PORT", L"Uart", L"1");
    station.SetConfig(L"PORT", L"Port", L"7");
    CliRun run = station.Run(DemoCodes());
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_EQ(run.err, "No response from phone, please make sure phone has been powered on!\n");
  }
  {
    StationFolder station("open-failed");
    station.WriteFile(L"DutlinkSim.ini", "[Fail]\nKV_BeginPhoneTest=3\n");
    CliRun run = station.Run(DemoCodes());
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_EQ(run.err, "Open -1 port failed!\n");
  }
}

TEST(VarnexCli, AUartPhoneThatAnswersLateStillRuns) {
  // Three silent version requests are within the four the station makes.
  StationFolder station("uart-late");
  station.WriteFile(L"DutlinkSim.ini", "[Phone]\nUartSilentAttempts=3\n");
  station.SetConfig(L"PORT", L"Uart", L"1");
  station.SetConfig(L"PORT", L"Port", L"7");
  station.PrepareRecord(kEarlierStations);
  CliRun run = station.Run(DemoCodes());
  EXPECT_EQ(run.exitCode, 0) << run.out << run.err;
  EXPECT_TRUE(Contains(run.out, "Uart Communication, Port: 7\n")) << run.out;
}

TEST(VarnexCli, AUsbPortTheLibraryDoesNotKnowShowsAsX) {
  StationFolder known("usb-port");
  known.WriteFile(L"DutlinkSim.ini", "[Phone]\nUsbPort=9\n");
  known.PrepareRecord(kEarlierStations);
  CliRun run = known.Run(DemoCodes());
  EXPECT_TRUE(Contains(run.out, "USB Communication, Port: 9\n")) << run.out;

  StationFolder unknown("usb-port-x");
  unknown.WriteFile(L"DutlinkSim.ini", "[Phone]\nUsbPort=-1\n");
  unknown.PrepareRecord(kEarlierStations);
  run = unknown.Run(DemoCodes());
  EXPECT_EQ(run.exitCode, 0) << run.out << run.err;
  EXPECT_TRUE(Contains(run.out, "USB Communication, Port: X\n")) << run.out;
}

TEST(VarnexCli, AnotherConfigurationFileIsUsedWhenGiven) {
  StationFolder station("config");
  station.WriteFile(L"Sim.ini",
                    "[CONTROL]\nCheck SIM Card=1\nCheck MMI CIT=0\n[POWER SUPPLY]\nEnable=0\n");
  CliRun run = station.Run({L"--config", station.File(L"Sim.ini"), L"--no-wait"});
  EXPECT_EQ(run.exitCode, 0) << run.out << run.err;
  EXPECT_EQ(Row(run.out, "SIM Card").rfind("SIM Card | --- | PASS |", 0), 0u) << run.out;
  EXPECT_FALSE(Contains(run.out, "IMEI1")) << run.out;
  EXPECT_FALSE(Contains(run.out, "Init DCS")) << run.out;

  // A bare name is the file in the current folder, not one in the Windows folder.
  station.WriteFile(L"T.ini",
                    "[CONTROL]\nCheck T Card=1\nCheck MMI CIT=0\n[POWER SUPPLY]\nEnable=0\n");
  CliRun relative = station.Run({L"--config=T.ini", L"--no-wait"});
  EXPECT_EQ(relative.exitCode, 0) << relative.out << relative.err;
  EXPECT_EQ(Row(relative.out, "T Card").rfind("T Card | --- | PASS |", 0), 0u) << relative.out;
  EXPECT_FALSE(Contains(relative.out, "SIM Card")) << relative.out;

  CliRun missing = station.Run({L"--config", station.File(L"Nowhere.ini")});
  EXPECT_EQ(missing.exitCode, 2);
  EXPECT_TRUE(Contains(missing.err, "configuration file not found")) << missing.err;
}

int Count(const std::string& text, const std::string& part) {
  int n = 0;
  for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) {
    ++n;
  }
  return n;
}

TEST(VarnexCli, WithoutAChargerSupplyTheOperatorIsAskedOnce) {
  StationFolder station("prompt");
  station.SetConfig(L"POWER SUPPLY 2", L"Enable", L"0");
  station.PrepareRecord(kEarlierStations);
  // The prompt in UTF-8: its Chinese half must survive the trip through the output file.
  const std::string prompt =
      "Power Off: \xE8\xAF\xB7\xE6\x8B\x94\xE5\x87\xBA"
      "USB";
  std::vector<std::wstring> args = DemoCodes();
  CliRun answered = station.Run(args);
  EXPECT_NE(answered.exitCode, 2) << answered.err;
  EXPECT_EQ(Count(answered.out, prompt), 1) << answered.out;
  EXPECT_EQ(Count(answered.out, "Please plug out the USB cable and then press OK"), 1);
  EXPECT_EQ(Count(answered.out, "(answered by --no-prompt)"), 1);

  // Without --no-prompt the run waits for Enter; input that has ended lets it go on.
  args.pop_back();
  CliRun waited = station.Run(args);
  EXPECT_NE(waited.exitCode, 2) << waited.err;
  EXPECT_EQ(Count(waited.out, "Press Enter to continue..."), 1) << waited.out;
  EXPECT_EQ(LastLine(waited.out), LastLine(answered.out));
}

TEST(VarnexCli, HelpAndBadOptions) {
  StationFolder station("help");
  CliRun help = station.Run({L"--help"});
  EXPECT_EQ(help.exitCode, 0);
  EXPECT_TRUE(Contains(help.out, "--imei1 CODE")) << help.out;
  EXPECT_TRUE(Contains(help.out, "--no-wait")) << help.out;

  CliRun bad = station.Run({L"--imei9", L"1"});
  EXPECT_EQ(bad.exitCode, 2);
  EXPECT_EQ(bad.err, "VarnexCli: unknown option --imei9 (see --help)\n");
}

TEST(VarnexCli, MissingStationFilesAreNamedOnTheErrorOutput) {
  // The run goes on with the station's defaults, as the station would, but a script must be
  // able to tell that it did not check the line's configuration.
  StationFolder station("no-ini");
  ASSERT_TRUE(DeleteFileW(station.File(L"Varnex.ini").c_str()));
  ASSERT_TRUE(DeleteFileW(station.File(L"Tollmark.ini").c_str()));
  CliRun run = station.Run({L"--no-wait", L"--no-prompt"});
  EXPECT_NE(run.exitCode, 2) << run.err;
  EXPECT_TRUE(Contains(run.err, "Varnex.ini not found: the station's defaults are used\n"))
      << run.err;
  EXPECT_TRUE(Contains(run.err, "Tollmark.ini not found: the station list is empty\n")) << run.err;

  CliRun empty = station.Run({L"--config="});
  EXPECT_EQ(empty.exitCode, 2);
  EXPECT_EQ(empty.err, "VarnexCli: --config needs a value\n");
}
