#include "station/app/StationInstance.h"

#include <cwchar>

StationInstance::StationInstance(const wchar_t* stationDirectory) {
  if (stationDirectory == nullptr || stationDirectory[0] == L'\0') {
    return;
  }
  // The folder by volume and file number, not by its spelling: every path to it is one name.
  HANDLE folder = CreateFileW(stationDirectory, FILE_READ_ATTRIBUTES,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (folder == INVALID_HANDLE_VALUE) {
    return;
  }
  BY_HANDLE_FILE_INFORMATION info{};
  const bool known = GetFileInformationByHandle(folder, &info) != FALSE;
  CloseHandle(folder);
  if (!known) {
    return;
  }
  wchar_t name[64];
  std::swprintf(name, 64, L"Global\\Varnex.Station.%08lX.%08lX%08lX", info.dwVolumeSerialNumber,
                info.nFileIndexHigh, info.nFileIndexLow);
  mutex_ = CreateMutexW(nullptr, FALSE, name);
  const DWORD error = GetLastError();
  // Another user's station holds a mutex this one may not open: that is a station too.
  if (mutex_ == nullptr ? error == ERROR_ACCESS_DENIED : error == ERROR_ALREADY_EXISTS) {
    claimed_ = false;
  }
}

StationInstance::~StationInstance() {
  if (mutex_ != nullptr) {
    CloseHandle(mutex_);
  }
}
