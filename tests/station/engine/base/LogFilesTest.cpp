#include "station/engine/LogFiles.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cwchar>
#include <filesystem>
#include <string>
#include <vector>

#include <windows.h>

#include "EngineFixture.h"

namespace {

namespace fs = std::filesystem;

constexpr LocalTime kRunTime{2016, 8, 17, 9, 5, 7, 42};
constexpr char kHeaderLine[] = "Item,Expected Value,Result,Test Detail\r\n";
constexpr char kVoltageHeaderLine[] =
    "SN,AUX 3.6V,FGU 3.6V,AUX 3.8V,FGU 3.8V,AUX 4.2V,FGU 4.2V,FGU TYPE,\r\n";

class LogFiles : public EngineTest {
 protected:
  void SetUp() override {
    EngineTest::SetUp();
    RemoveLogFolders();
  }
  void TearDown() override {
    CloseLogFile(context->testLog);
    CloseLogFile(context->voltageLog);
    EngineTest::TearDown();
    RemoveLogFolders();
  }

  static void RemoveLogFolders() {
    std::error_code ignored;
    fs::remove_all(ProgramFolder() + "\\result", ignored);
    fs::remove_all(ProgramFolder() + "\\Log", ignored);
  }
  static std::string DayFolder() { return ProgramFolder() + "\\result\\2016-08-17"; }

  // The file exactly as it is on disk, read through a second handle.
  static std::string ReadFile(const std::string& path) {
    std::string content;
    FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr) {
      ADD_FAILURE() << "cannot read " << path;
      return content;
    }
    char chunk[512];
    size_t got;
    while ((got = std::fread(chunk, 1, sizeof chunk, file)) > 0) {
      content.append(chunk, got);
    }
    std::fclose(file);
    return content;
  }

  static std::vector<std::string> FilesIn(const std::string& folder) {
    std::vector<std::string> names;
    std::error_code error;
    for (const auto& entry : fs::directory_iterator(folder, error)) {
      names.push_back(entry.path().filename().string());
    }
    return names;
  }
};

}  // namespace

TEST_F(LogFiles, TestLogIsNamedAfterThePhoneAndTheTimeInADayFolder) {
  ASSERT_EQ(OpenTestLogAt(*context, "AB12", kRunTime), 1);
  ASSERT_NE(context->testLog, nullptr);
  EXPECT_EQ(CloseLogFile(context->testLog), 1);
  EXPECT_EQ(context->testLog, nullptr);

  EXPECT_EQ(FilesIn(ProgramFolder() + "\\result"), std::vector<std::string>{"2016-08-17"});
  EXPECT_EQ(FilesIn(DayFolder()), std::vector<std::string>{"AB12_09_05_ 7_042.csv"});
  EXPECT_EQ(ReadFile(DayFolder() + "\\AB12_09_05_ 7_042.csv"), kHeaderLine);
}

TEST_F(LogFiles, EveryWriteIsInTheFileAtOnceWithCarriageReturns) {
  ASSERT_EQ(OpenTestLogAt(*context, "AB12", kRunTime), 1);
  const std::string path = DayFolder() + "\\AB12_09_05_ 7_042.csv";
  EXPECT_EQ(WriteLogText(context->testLog, "IMEI1,860000000000001,PASS,860000000000001\n"), 1);
  // Not closed yet: the flush already put the header and the line on disk.
  EXPECT_EQ(ReadFile(path),
            std::string(kHeaderLine) + "IMEI1,860000000000001,PASS,860000000000001\r\n");
  WriteLogText(context->testLog, "Charge Current,Lo Lim:410 Hi Lim: 490,PASS,452,mA\n\n");
  EXPECT_EQ(ReadFile(path), std::string(kHeaderLine) +
                                "IMEI1,860000000000001,PASS,860000000000001\r\n"
                                "Charge Current,Lo Lim:410 Hi Lim: 490,PASS,452,mA\r\n\r\n");
  // Writing nothing or to no file is harmless.
  EXPECT_EQ(WriteLogText(context->testLog, ""), 1);
  EXPECT_EQ(WriteLogText(nullptr, "lost\n"), 1);
  CloseLogFile(context->testLog);
  EXPECT_EQ(CloseLogFile(context->testLog), 1);
}

TEST_F(LogFiles, SecondRunInTheSameMillisecondReplacesTheFile) {
  ASSERT_EQ(OpenTestLogAt(*context, "AB12", kRunTime), 1);
  WriteLogText(context->testLog, "first run\n");
  CloseLogFile(context->testLog);
  ASSERT_EQ(OpenTestLogAt(*context, "AB12", kRunTime), 1);
  CloseLogFile(context->testLog);
  EXPECT_EQ(ReadFile(DayFolder() + "\\AB12_09_05_ 7_042.csv"), kHeaderLine);
}

TEST_F(LogFiles, EmptyNameAndTheRealClock) {
  ASSERT_EQ(OpenTestLogAt(*context, "", kRunTime), 1);
  CloseLogFile(context->testLog);
  EXPECT_EQ(FilesIn(DayFolder()), std::vector<std::string>{"_09_05_ 7_042.csv"});

  SYSTEMTIME before{};
  GetLocalTime(&before);
  ASSERT_EQ(OpenTestLog(*context, "CLOCK"), 1);
  CloseLogFile(context->testLog);
  char date[16];
  std::snprintf(date, sizeof date, "%04d-%02d-%02d", before.wYear, before.wMonth, before.wDay);
  const std::vector<std::string> files = FilesIn(ProgramFolder() + "\\result\\" + date);
  ASSERT_EQ(files.size(), 1u);
  EXPECT_EQ(files[0].rfind("CLOCK_", 0), 0u);
  EXPECT_EQ(files[0].size(), std::string("CLOCK_09_05_ 7_042.csv").size());
}

TEST_F(LogFiles, NameFromThePhoneCannotLeaveTheDayFolder) {
  const char* hostile[] = {"..\\..\\evil", "../up", "C:\\x", "a:stream", "q?*\"<>|", "tab\tnl\n"};
  for (const char* name : hostile) {
    ASSERT_EQ(OpenTestLogAt(*context, name, kRunTime), 1) << name;
    CloseLogFile(context->testLog);
  }
  std::vector<std::string> files = FilesIn(DayFolder());
  std::sort(files.begin(), files.end());
  EXPECT_EQ(files,
            (std::vector<std::string>{".._.._evil_09_05_ 7_042.csv", ".._up_09_05_ 7_042.csv",
                                      "C__x_09_05_ 7_042.csv", "a_stream_09_05_ 7_042.csv",
                                      "q_______09_05_ 7_042.csv", "tab_nl__09_05_ 7_042.csv"}));
  EXPECT_EQ(FilesIn(ProgramFolder() + "\\result"), std::vector<std::string>{"2016-08-17"});
}

TEST_F(LogFiles, FolderThatCannotBeMadeLeavesTheLogClosedAndSaysSo) {
  // A plain file where the result folder should be.
  const std::string blocker = ProgramFolder() + "\\result";
  FILE* file = std::fopen(blocker.c_str(), "w");
  ASSERT_NE(file, nullptr);
  std::fclose(file);

  EXPECT_EQ(OpenTestLogAt(*context, "AB12", kRunTime), 0);
  EXPECT_EQ(context->testLog, nullptr);
  EXPECT_EQ(WriteLogText(context->testLog, "dropped\n"), 1);
  WriteTestLog(*context, "dropped\n");
  EXPECT_EQ(CloseLogFile(context->testLog), 1);
  EXPECT_TRUE(fs::is_regular_file(blocker));
  fs::remove(blocker);
  const std::wstring trouble = TakeLogTrouble(*context);
  EXPECT_EQ(trouble.rfind(L"The test log could not be created", 0), 0u) << trouble.size();
  EXPECT_NE(trouble.find(L"\\result\\2016-08-17\\AB12_09_05_ 7_042.csv"), std::wstring::npos);
  EXPECT_EQ(trouble.find(L'\n'), trouble.rfind(L'\n')) << "one loss, one line and its path";
  EXPECT_EQ(TakeLogTrouble(*context), L"") << "taken";
}

TEST_F(LogFiles, AWriteThatFailsIsToldOnceAndAMissingVoltageLogForEveryRun) {
  ASSERT_EQ(OpenTestLogAt(*context, "AB12", kRunTime), 1);
  WriteTestLog(*context, "Item,kept\n");
  // The open file stops taking writes, as on a full or vanished disk.
  std::fclose(context->testLog);
  const std::string path = DayFolder() + "\\AB12_09_05_ 7_042.csv";
  context->testLog = std::fopen(path.c_str(), "r");
  ASSERT_NE(context->testLog, nullptr);
  WriteTestLog(*context, "Item,lost\n");
  WriteTestLog(*context, "Item,lost too\n");
  WriteTestLog(*context, "");  // an empty flush writes nothing
  EXPECT_EQ(TakeLogTrouble(*context),
            L"The test log could not be written:\n" + std::wstring(path.begin(), path.end()));
  CloseLogFile(context->testLog);
  EXPECT_EQ(ReadFile(path), std::string(kHeaderLine) + "Item,kept\r\n");

  // No Log folder: the voltage log is not created, and each run's line is told as lost.
  EXPECT_EQ(OpenVoltageLogAt(*context, kRunTime), 0);
  const std::wstring created = TakeLogTrouble(*context);
  EXPECT_EQ(created.rfind(L"The voltage log could not be created", 0), 0u);
  EXPECT_NE(created.find(L"\\Log\\voltage_09_05_ 7_042.csv"), std::wstring::npos);
  WriteVoltageLog(*context, "SN,1,\n");
  EXPECT_EQ(TakeLogTrouble(*context),
            L"The voltage log is not open: the voltages of this run were not saved.");
}

TEST_F(LogFiles, PathsBeyondTheBufferAreNotOpened) {
  // <dir>\result\2016-08-17\ + name + _09_05_ 7_042.csv, in 260 bytes with the terminator.
  const size_t fixedPart = DayFolder().size() + 1 + 17;
  ASSERT_LT(fixedPart, 259u);
  const std::string fits(259 - fixedPart, 'L');
  const std::string tooLong = fits + "L";

  EXPECT_EQ(OpenTestLogAt(*context, tooLong.c_str(), kRunTime), 0);
  EXPECT_EQ(context->testLog, nullptr);
  EXPECT_TRUE(FilesIn(DayFolder()).empty());

  const std::string huge(20000, 'H');
  EXPECT_EQ(OpenTestLogAt(*context, huge.c_str(), kRunTime), 0);
  EXPECT_TRUE(FilesIn(DayFolder()).empty());

  // The longest name that fits is opened, as long as the file system takes a name that long.
  if (fits.size() + 17 <= 240) {
    EXPECT_EQ(OpenTestLogAt(*context, fits.c_str(), kRunTime), 1);
    CloseLogFile(context->testLog);
    EXPECT_EQ(FilesIn(DayFolder()).size(), 1u);
  }
}

TEST_F(LogFiles, OpeningAgainFinishesAFileLeftOpen) {
  ASSERT_EQ(OpenTestLogAt(*context, "FIRST", kRunTime), 1);
  WriteLogText(context->testLog, "kept\n");
  ASSERT_EQ(OpenTestLogAt(*context, "SECOND", kRunTime), 1);
  CloseLogFile(context->testLog);
  EXPECT_EQ(ReadFile(DayFolder() + "\\FIRST_09_05_ 7_042.csv"),
            std::string(kHeaderLine) + "kept\r\n");
}

TEST_F(LogFiles, VoltageLogNeedsTheLogFolderBesideTheStation) {
  EXPECT_EQ(OpenVoltageLogAt(*context, kRunTime), 0);
  EXPECT_EQ(context->voltageLog, nullptr);
  EXPECT_FALSE(fs::exists(ProgramFolder() + "\\Log"));

  ASSERT_TRUE(fs::create_directory(ProgramFolder() + "\\Log"));
  ASSERT_EQ(OpenVoltageLogAt(*context, kRunTime), 1);
  ASSERT_NE(context->voltageLog, nullptr);
  const std::string path = ProgramFolder() + "\\Log\\voltage_09_05_ 7_042.csv";
  WriteLogText(context->voltageLog, "SN0123456789,3799,3802,3801,3800,4200,4199,1,\n");
  EXPECT_EQ(ReadFile(path),
            std::string(kVoltageHeaderLine) + "SN0123456789,3799,3802,3801,3800,4200,4199,1,\r\n");
  CloseLogFile(context->voltageLog);
  EXPECT_EQ(context->voltageLog, nullptr);

  ASSERT_EQ(OpenVoltageLog(*context), 1);
  CloseLogFile(context->voltageLog);
  EXPECT_EQ(FilesIn(ProgramFolder() + "\\Log").size(), 2u);
}

TEST_F(LogFiles, StationDirectoryIsTheProgramFolder) {
  char directory[MAX_PATH];
  ASSERT_TRUE(StationDirectoryAnsi(directory, sizeof directory));
  EXPECT_EQ(std::string(directory), ProgramFolder());
  char small[4];
  EXPECT_FALSE(StationDirectoryAnsi(small, sizeof small));
  EXPECT_STREQ(small, "");
}

TEST_F(LogFiles, DoubleByteCharacterWhoseSecondByteIsABackslash) {
  // U+4E57 is 0x81 0x5C in code page 936, U+8868 is 0x95 0x5C in 932. Cut after conversion,
  // the path's last 0x5C byte may be the second half of a character in the program's own name.
  const UINT codePage = GetACP();
  if (codePage != 936 && codePage != 932) {
    ASSERT_EQ(std::getenv("VARNEX_EXPECT_DBCS"), nullptr) << "code page " << codePage;
    GTEST_SKIP() << "needs code page 936 or 932";
  }
  const std::wstring character = codePage == 936 ? L"\u4E57" : L"\u8868";
  const std::wstring inFolder = L"C:\\Line\\Station" + character;
  const std::wstring plain = L"C:\\Line\\Station";
  struct Case {
    std::wstring module;
    std::wstring folder;
  };
  for (const Case& c : {Case{inFolder + L"\\Varnex.exe", inFolder},
                        Case{plain + L"\\Varnex" + character + L".exe", plain},
                        Case{inFolder + L"\\" + character + L".exe", inFolder}}) {
    char directory[MAX_PATH] = {};
    ASSERT_TRUE(StationDirectoryAnsiFrom(c.module.c_str(), directory, sizeof directory));
    // Read back in the code page, the bytes name the station folder itself.
    wchar_t back[MAX_PATH] = {};
    ASSERT_GT(MultiByteToWideChar(CP_ACP, 0, directory, -1, back, MAX_PATH), 0);
    EXPECT_EQ(std::wstring(back), c.folder);
  }
  char directory[MAX_PATH] = {};
  ASSERT_TRUE(
      StationDirectoryAnsiFrom((inFolder + L"\\Varnex.exe").c_str(), directory, sizeof directory));
  const std::string ansi(directory);
  ASSERT_GE(ansi.size(), 2u);
  EXPECT_EQ(static_cast<unsigned char>(ansi.back()), 0x5C) << "the folder ends in the byte";
}
