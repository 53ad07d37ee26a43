#include "station/app/StationFolderCheck.h"

#include <windows.h>

namespace {

// A file the station keeps: opened for writing as the profile functions will, or made when
// missing (an empty Varnex.ini reads as the defaults, which the closing save then writes).
bool FileWritable(const std::wstring& path) {
  HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                            nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    return false;
  }
  CloseHandle(file);
  return true;
}

// A folder the station writes files and folders into: a test file made and gone at once.
bool FolderWritable(const std::wstring& folder) {
  const DWORD attributes = GetFileAttributesW(folder.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
    return false;
  }
  HANDLE probe =
      CreateFileW((folder + L"\\Varnex write check.tmp").c_str(), GENERIC_WRITE, 0, nullptr,
                  CREATE_ALWAYS, FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
  if (probe == INVALID_HANDLE_VALUE) {
    return false;
  }
  CloseHandle(probe);
  return true;
}

}  // namespace

std::wstring StationFolderProblems(const ConfigPaths& paths, bool saveLog, bool saveVoltageLog) {
  if (paths.configPath[0] == L'\0' || paths.stationDirectory[0] == L'\0') {
    return std::wstring();  // no folder to look at; the window reads the defaults
  }
  const std::wstring directory = paths.stationDirectory;
  std::wstring lost;
  if (!FileWritable(paths.configPath)) {
    lost += L"- Varnex.ini: the settings and the pass and fail counters will not be saved.\n";
  }
  if (saveLog) {
    // The station makes the result folder itself at the first test log.
    const std::wstring result = directory + L"\\result";
    CreateDirectoryW(result.c_str(), nullptr);
    if (!FolderWritable(result)) {
      lost += L"- result: the test logs will not be saved.\n";
    }
  }
  if (saveVoltageLog) {
    const std::wstring log = directory + L"\\Log";
    if (GetFileAttributesW(log.c_str()) == INVALID_FILE_ATTRIBUTES) {
      lost += L"- Log: the folder is missing, so the voltage log will not be saved.\n";
    } else if (!FolderWritable(log)) {
      lost += L"- Log: the voltage log will not be saved.\n";
    }
  }
  // The run records of every run, whatever the configuration.
  const std::wstring results = directory + L"\\results";
  CreateDirectoryW(results.c_str(), nullptr);
  if (!FolderWritable(results)) {
    lost += L"- results: the run records for the line will not be saved.\n";
  }
  if (lost.empty()) {
    return std::wstring();
  }
  return L"The station cannot write in its folder\n" + directory + L"\n\n" + lost +
         L"\nThe checks run and their verdicts stand, but what is listed here is lost. Ask the "
         L"line engineer to give the station's users the rights the installation sets "
         L"(see docs\\install.md).";
}
