#include "SimTestSupport.h"

#include <windows.h>

#include <cstdio>

#include "devices/sim/dutlink_sim.h"
#include "devices/sim/powerbench_sim.h"

std::string ProgramFolder() {
  char path[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, path, MAX_PATH);
  std::string folder(path);
  return folder.substr(0, folder.find_last_of('\\'));
}

void WriteTextFile(const std::string& path, const std::string& text) {
  FILE* file = std::fopen(path.c_str(), "wb");
  ASSERT_NE(file, nullptr) << path;
  std::fwrite(text.data(), 1, text.size(), file);
  std::fclose(file);
}

int RunHelper(const std::string& arguments) {
  std::string command(1, '"');
  command += ProgramFolder();
  command += "\\DutlinkSimHelper.exe\" ";
  command += arguments;
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  if (!CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr,
                      ProgramFolder().c_str(), &startup, &process)) {
    return -1;
  }
  WaitForSingleObject(process.hProcess, 60000);
  DWORD code = static_cast<DWORD>(-1);
  GetExitCodeProcess(process.hProcess, &code);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  return static_cast<int>(code);
}

namespace {

int64_t Counter() {
  LARGE_INTEGER now;
  QueryPerformanceCounter(&now);
  return now.QuadPart;
}

}  // namespace

Stopwatch::Stopwatch() : start_(Counter()) {}

int64_t Stopwatch::Milliseconds() const {
  LARGE_INTEGER frequency;
  QueryPerformanceFrequency(&frequency);
  return (Counter() - start_) * 1000 / frequency.QuadPart;
}

void SimTest::SetUp() {
  KVSIM_Reset();
  PBSIM_Reset();
  KVSIM_SetFlashFile((ProgramFolder() + "\\SimTest.flash").c_str());
  KVSIM_ClearFlash();
  phone = KV_CreatePhone(0);
  ASSERT_EQ(phone, 1);
}

void SimTest::TearDown() {
  KV_StopModeProcess(phone);
  KV_ReleasePhone(phone);
}
