// TollmarkTool.exe in processes of its own over the same simulated flash, and the version
// resource of Tollmark.dll.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "tests/tollmark/DllFixture.h"

namespace {

// Runs TollmarkTool.exe from the test folder with the arguments; returns its exit code and
// what it printed.
int RunTool(const std::string& arguments, std::string& output) {
  SECURITY_ATTRIBUTES inherit{sizeof(inherit), nullptr, TRUE};
  HANDLE readEnd = nullptr;
  HANDLE writeEnd = nullptr;
  if (!CreatePipe(&readEnd, &writeEnd, &inherit, 0)) {
    return -1;
  }
  SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);
  STARTUPINFOA startup{};
  startup.cb = sizeof(startup);
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdOutput = writeEnd;
  startup.hStdError = writeEnd;
  startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
  PROCESS_INFORMATION process{};
  std::string command = "\"";
  command += TestFolder();
  command += "\\TollmarkTool.exe\" ";
  command += arguments;
  const BOOL started = CreateProcessA(nullptr, command.data(), nullptr, nullptr, TRUE, 0, nullptr,
                                      TestFolder().c_str(), &startup, &process);
  CloseHandle(writeEnd);
  if (!started) {
    CloseHandle(readEnd);
    return -1;
  }
  output.clear();
  char chunk[512];
  DWORD got = 0;
  while (ReadFile(readEnd, chunk, sizeof(chunk), &got, nullptr) && got > 0) {
    output.append(chunk, got);
  }
  WaitForSingleObject(process.hProcess, 60000);
  DWORD exitCode = 99;
  GetExitCodeProcess(process.hProcess, &exitCode);
  CloseHandle(process.hProcess);
  CloseHandle(process.hThread);
  CloseHandle(readEnd);
  return static_cast<int>(exitCode);
}

std::string VersionString(const std::string& file, const char* name) {
  DWORD ignored = 0;
  const DWORD size = GetFileVersionInfoSizeA(file.c_str(), &ignored);
  if (size == 0) {
    return "<no version resource>";
  }
  std::string data(size, '\0');
  if (!GetFileVersionInfoA(file.c_str(), 0, size, data.data())) {
    return "<unreadable>";
  }
  const std::string key = std::string("\\StringFileInfo\\040904B0\\") + name;
  char* value = nullptr;
  UINT length = 0;
  if (!VerQueryValueA(data.data(), key.c_str(), reinterpret_cast<void**>(&value), &length)) {
    return "<missing>";
  }
  return value;
}

}  // namespace

TEST_F(TollmarkDll, ToolInitThenShowAcrossProcesses) {
  WriteTollmarkIni(kDemoIni);
  std::string output;
  ASSERT_EQ(RunTool("init --station CAL --text1 \"Line 7\"", output), 0) << output;
  EXPECT_NE(output.find("Code: 0\r\nMessage: PASS"), std::string::npos) << output;

  // A later process shows what the first one wrote.
  ASSERT_EQ(RunTool("show", output), 0) << output;
  EXPECT_NE(output.find("Version:      KV09 (256 bytes)"), std::string::npos) << output;
  EXPECT_NE(output.find("Text1:        Line 7"), std::string::npos) << output;
  EXPECT_NE(output.find("   2  CAL               passed"), std::string::npos) << output;
  EXPECT_NE(output.find("   1  MMI               not tested"), std::string::npos) << output;
  EXPECT_NE(output.find("Last message: PASS"), std::string::npos) << output;

  // And this process reads the same record through the library.
  EXPECT_EQ(CheckPhase(object, nullptr, "CAL"), 0);
  EXPECT_EQ(CheckPhase(object, nullptr, "MMI"), 7);
}

TEST_F(TollmarkDll, ToolChecksWhatThisProcessUpdated) {
  InitialiseDemo();
  ASSERT_EQ(UpdatePhase(object, "MMI", 1, nullptr, nullptr, nullptr), 0);
  ASSERT_EQ(UpdatePhase(object, "CAL", 0, "Flag missing", nullptr, nullptr), 0);

  std::string output;
  EXPECT_EQ(RunTool("check MMI", output), 0) << output;
  // The same over an opened link: USB waits for the phone's connection first.
  EXPECT_EQ(RunTool("--usb check MMI", output), 0) << output;
  EXPECT_EQ(RunTool("--uart 3 check MMI", output), 0) << output;
  EXPECT_EQ(RunTool("check CAL", output), 1) << output;
  EXPECT_NE(output.find("Code: 6\r\nMessage: Station CAL not pass!"), std::string::npos) << output;
  EXPECT_EQ(RunTool("--lang 1 check NOPE", output), 1) << output;
  EXPECT_NE(output.find("Code: 5\r\nMessage: \xB2\xE2\xCA\xD4\xD5\xBE NOPE"), std::string::npos)
      << output;

  // The tool enters FT; this process then sees FT as tested but not passed.
  EXPECT_EQ(RunTool("check --current FT NULL", output), 0) << output;
  EXPECT_EQ(CheckPhase(object, nullptr, "FT"), 6);
  EXPECT_EQ(RunTool("update FT pass --message Done", output), 0) << output;
  EXPECT_EQ(CheckPhase(object, nullptr, "FT"), 0);
}

TEST_F(TollmarkDll, ToolRefusesBadCommandLinesAndReportsFailures) {
  std::string output;
  EXPECT_EQ(RunTool("frobnicate", output), 1);
  EXPECT_NE(output.find("Usage: TollmarkTool"), std::string::npos) << output;
  EXPECT_EQ(RunTool("show", output), 1);  // blank flash
  EXPECT_NE(output.find("Code: 13\r\nMessage: Invalid magic number of Tollmark!"),
            std::string::npos)
      << output;
  WriteTollmarkIni(kDemoIni);
  EXPECT_EQ(RunTool("init --size 100", output), 1);
  EXPECT_NE(output.find("Code: 11"), std::string::npos) << output;
  EXPECT_NE(output.find("Record size: 256 bytes"), std::string::npos) << output;
  EXPECT_EQ(Flash(4)[0], 0);
}

TEST(TollmarkVersionResource, NamesTheLibrary) {
  const std::string dll = TestFolder() + "\\Tollmark.dll";
  EXPECT_EQ(VersionString(dll, "FileDescription"), "TollmarkDll");
  EXPECT_EQ(VersionString(dll, "InternalName"), "TollmarkDll");
  EXPECT_EQ(VersionString(dll, "Comments"), "Tollmark Flow Control");
  EXPECT_EQ(VersionString(dll, "FileVersion"), "3.0.0.1");
  EXPECT_EQ(VersionString(dll, "ProductVersion"), "3.0.0.1");

  DWORD ignored = 0;
  const DWORD size = GetFileVersionInfoSizeA(dll.c_str(), &ignored);
  ASSERT_GT(size, 0u);
  std::string data(size, '\0');
  ASSERT_TRUE(GetFileVersionInfoA(dll.c_str(), 0, size, data.data()));
  VS_FIXEDFILEINFO* fixed = nullptr;
  UINT length = 0;
  ASSERT_TRUE(VerQueryValueA(data.data(), "\\", reinterpret_cast<void**>(&fixed), &length));
  EXPECT_EQ(fixed->dwFileVersionMS, 0x00030000u);
  EXPECT_EQ(fixed->dwFileVersionLS, 0x00000001u);
  EXPECT_EQ(fixed->dwProductVersionMS, 0x00030000u);
  EXPECT_EQ(fixed->dwProductVersionLS, 0x00000001u);
}
