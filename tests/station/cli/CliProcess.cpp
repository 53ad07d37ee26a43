#include "CliProcess.h"

#include <fstream>
#include <sstream>

#include <windows.h>

#include <gtest/gtest.h>

#include "devices/dutlink.h"
#include "devices/sim/dutlink_sim.h"
#include "tollmark/tollmark.h"

namespace {

constexpr const wchar_t* kStationFiles[] = {L"VarnexCli.exe", L"Dutlink.dll", L"Powerbench.dll",
                                            L"Tollmark.dll",  L"Varnex.ini",  L"Tollmark.ini"};

std::string Narrow(const std::wstring& text) {
  std::string out;
  for (wchar_t c : text) {
    out += static_cast<char>(c);
  }
  return out;
}

void RemoveTree(const std::wstring& folder) {
  WIN32_FIND_DATAW found;
  HANDLE search = FindFirstFileW((folder + L"\\*").c_str(), &found);
  if (search != INVALID_HANDLE_VALUE) {
    do {
      std::wstring name = found.cFileName;
      if (name == L"." || name == L"..") {
        continue;
      }
      std::wstring full = folder + L"\\" + name;
      if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
        RemoveTree(full);
      } else {
        DeleteFileW(full.c_str());
      }
    } while (FindNextFileW(search, &found));
    FindClose(search);
  }
  RemoveDirectoryW(folder.c_str());
}

HANDLE InheritableFile(const std::wstring& path, DWORD access, DWORD disposition) {
  SECURITY_ATTRIBUTES attributes{sizeof(attributes), nullptr, TRUE};
  return CreateFileW(path.c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE, &attributes,
                     disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
}

}  // namespace

std::wstring TestProgramFolder() {
  wchar_t module[MAX_PATH];
  DWORD length = GetModuleFileNameW(nullptr, module, MAX_PATH);
  std::wstring path(module, length);
  return path.substr(0, path.find_last_of(L'\\'));
}

StationFolder::StationFolder(const std::string& name) {
  path_ = TestProgramFolder() + L"\\" + std::wstring(name.begin(), name.end());
  RemoveTree(path_);
  CreateDirectoryW(path_.c_str(), nullptr);
  CreateDirectoryW(File(L"Log").c_str(), nullptr);
  for (const wchar_t* file : kStationFiles) {
    std::wstring from = TestProgramFolder() + L"\\" + file;
    EXPECT_TRUE(CopyFileW(from.c_str(), File(file).c_str(), FALSE)) << Narrow(from);
  }
}

void StationFolder::WriteFile(const std::wstring& name, const std::string& text) const {
  std::ofstream file(Narrow(File(name)), std::ios::binary);
  file << text;
}

std::string StationFolder::ReadFile(const std::wstring& name) const {
  return ReadWholeFile(File(name));
}

std::string ReadWholeFile(const std::wstring& path) {
  std::ifstream file(Narrow(path), std::ios::binary);
  std::stringstream text;
  text << file.rdbuf();
  return text.str();
}

void StationFolder::SetConfig(const wchar_t* section, const wchar_t* key,
                              const wchar_t* value) const {
  ASSERT_TRUE(WritePrivateProfileStringW(section, key, value, File(L"Varnex.ini").c_str()));
}

void StationFolder::PrepareRecord(const std::vector<const char*>& passedStations) const {
  // The record is built from the Tollmark.ini beside this test program (the same demo list)
  // and written into the flash file of the station folder's phone.
  std::string flash = Narrow(File(L"DutlinkSim.flash"));
  ASSERT_EQ(KVSIM_SetFlashFile(flash.c_str()), 0);
  ASSERT_EQ(KVSIM_ClearFlash(), 0);
  KV_PHONE phone = KV_CreatePhone(0);
  KVPH_OBJECT record = CreateTollmarkObject(phone);
  ASSERT_NE(record, nullptr);
  EXPECT_EQ(InitPhase(record, nullptr, nullptr, nullptr, 0, nullptr, nullptr), 0);
  for (const char* station : passedStations) {
    EXPECT_EQ(UpdatePhase(record, station, 1, nullptr, nullptr, nullptr), 0) << station;
  }
  ReleaseTollmarkObject(record);
  KV_ReleasePhone(phone);
  KVSIM_SetFlashFile(nullptr);
}

std::vector<std::wstring> StationFolder::List(const std::wstring& pattern) const {
  std::vector<std::wstring> names;
  WIN32_FIND_DATAW found;
  HANDLE search = FindFirstFileW(File(pattern).c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) {
    return names;
  }
  do {
    std::wstring name = found.cFileName;
    if (name != L"." && name != L"..") {
      names.push_back(name);
    }
  } while (FindNextFileW(search, &found));
  FindClose(search);
  return names;
}

CliRun StationFolder::Run(const std::vector<std::wstring>& args) const {
  CliRun run;
  std::wstring outPath = File(L"stdout.txt");
  std::wstring errPath = File(L"stderr.txt");
  HANDLE out = InheritableFile(outPath, GENERIC_WRITE, CREATE_ALWAYS);
  HANDLE err = InheritableFile(errPath, GENERIC_WRITE, CREATE_ALWAYS);
  HANDLE in = InheritableFile(L"NUL", GENERIC_READ, OPEN_EXISTING);

  std::wstring command = L"\"" + File(L"VarnexCli.exe") + L"\"";
  for (const std::wstring& arg : args) {
    command += L" \"" + arg + L"\"";
  }
  STARTUPINFOW startup{};
  startup.cb = sizeof(startup);
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = in;
  startup.hStdOutput = out;
  startup.hStdError = err;
  PROCESS_INFORMATION process{};
  BOOL started = CreateProcessW(nullptr, command.data(), nullptr, nullptr, TRUE, CREATE_NO_WINDOW,
                                nullptr, path_.c_str(), &startup, &process);
  CloseHandle(out);
  CloseHandle(err);
  CloseHandle(in);
  EXPECT_TRUE(started) << "cannot start " << Narrow(command);
  if (!started) {
    return run;
  }
  if (WaitForSingleObject(process.hProcess, 120000) != WAIT_OBJECT_0) {
    TerminateProcess(process.hProcess, 99);
    ADD_FAILURE() << "VarnexCli did not end within two minutes";
  }
  DWORD code = 0;
  GetExitCodeProcess(process.hProcess, &code);
  run.exitCode = static_cast<int>(code);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  run.out = ReadFile(L"stdout.txt");
  run.err = ReadFile(L"stderr.txt");
  return run;
}
