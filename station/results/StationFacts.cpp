#include "station/results/StationFacts.h"

#include <array>
#include <climits>
#include <cmath>
#include <cstdint>
#include <cwchar>
#include <random>
#include <vector>

#include <windows.h>
#include <bcrypt.h>

#include "devices/admit_user.h"
#include "station/engine/core/LogNames.h"
#include "station/results/core/RecordId.h"

namespace {

int64_t FileTimeValue(const FILETIME& time) {
  ULARGE_INTEGER value;
  value.LowPart = time.dwLowDateTime;
  value.HighPart = time.dwHighDateTime;
  return static_cast<int64_t>(value.QuadPart);
}

std::wstring ToUtf16(UINT codePage, std::string_view text) {
  if (text.empty() || text.size() > INT_MAX) {
    return {};
  }
  const int length = static_cast<int>(text.size());
  const int needed = MultiByteToWideChar(codePage, 0, text.data(), length, nullptr, 0);
  if (needed <= 0) {
    return {};
  }
  std::wstring wide(static_cast<size_t>(needed), L'\0');
  MultiByteToWideChar(codePage, 0, text.data(), length, wide.data(), needed);
  return wide;
}

}  // namespace

std::wstring ComputerName() {
  wchar_t name[MAX_COMPUTERNAME_LENGTH + 1] = {};
  DWORD size = MAX_COMPUTERNAME_LENGTH + 1;
  return GetComputerNameW(name, &size) ? std::wstring(name, size) : std::wstring();
}

std::wstring ProgramVersion() {
  wchar_t path[MAX_PATH] = {};
  const DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) {
    return {};
  }
  DWORD ignored = 0;
  const DWORD size = GetFileVersionInfoSizeW(path, &ignored);
  if (size == 0) {
    return {};
  }
  std::vector<unsigned char> block(size);
  VS_FIXEDFILEINFO* fixed = nullptr;
  UINT fixedSize = 0;
  if (!GetFileVersionInfoW(path, 0, size, block.data()) ||
      !VerQueryValueW(block.data(), L"\\", reinterpret_cast<void**>(&fixed), &fixedSize) ||
      fixed == nullptr || fixedSize < sizeof(VS_FIXEDFILEINFO)) {
    return {};
  }
  wchar_t text[64];
  std::swprintf(text, std::size(text), L"%u.%u.%u.%u", HIWORD(fixed->dwProductVersionMS),
                LOWORD(fixed->dwProductVersionMS), HIWORD(fixed->dwProductVersionLS),
                LOWORD(fixed->dwProductVersionLS));
  return text;
}

std::wstring LoggedOnOperator() {
  HMODULE admit = GetModuleHandleW(L"Admit.dll");
  if (admit == nullptr) {
    return {};
  }
  auto getUserName = reinterpret_cast<ADMIT_GetUserNameProc>(
      reinterpret_cast<void*>(GetProcAddress(admit, "ADMIT_GetUserName")));
  if (getUserName == nullptr) {
    return {};
  }
  wchar_t name[256] = {};
  const int32_t length = getUserName(name, static_cast<int32_t>(std::size(name)));
  name[std::size(name) - 1] = L'\0';
  return length > 0 ? std::wstring(name, wcsnlen(name, std::size(name))) : std::wstring();
}

Timestamp LocalNow() {
  FILETIME utcFile{};
  GetSystemTimeAsFileTime(&utcFile);
  SYSTEMTIME utc{};
  SYSTEMTIME local{};
  FILETIME localFile{};
  FileTimeToSystemTime(&utcFile, &utc);
  if (!SystemTimeToTzSpecificLocalTime(nullptr, &utc, &local) ||
      !SystemTimeToFileTime(&local, &localFile)) {
    local = utc;
    localFile = utcFile;
  }
  // Both times come from the same moment; the difference is the offset (100 ns units), with
  // the sub-millisecond part the conversion drops rounded away.
  constexpr double kUnitsPerMinute = 60.0 * 1e7;
  const double difference = static_cast<double>(FileTimeValue(localFile) - FileTimeValue(utcFile));
  Timestamp time;
  time.year = local.wYear;
  time.month = local.wMonth;
  time.day = local.wDay;
  time.hour = local.wHour;
  time.minute = local.wMinute;
  time.second = local.wSecond;
  time.millisecond = local.wMilliseconds;
  time.offsetMinutes = static_cast<int>(std::lround(difference / kUnitsPerMinute));
  return time;
}

std::string NewRecordId() {
  std::array<uint8_t, 16> random{};
  if (!BCRYPT_SUCCESS(BCryptGenRandom(nullptr, random.data(), static_cast<ULONG>(random.size()),
                                      BCRYPT_USE_SYSTEM_PREFERRED_RNG))) {
    std::random_device device;
    for (uint8_t& byte : random) {
      byte = static_cast<uint8_t>(device());
    }
  }
  return FormatUuidV4(random);
}

std::wstring AnsiToUtf16(std::string_view text) {
  return ToUtf16(CP_ACP, text);
}

std::wstring Utf8ToUtf16(std::string_view text) {
  return ToUtf16(CP_UTF8, text);
}

std::string Utf16ToUtf8(std::wstring_view text) {
  if (text.empty() || text.size() > INT_MAX) {
    return {};
  }
  const int length = static_cast<int>(text.size());
  const int needed =
      WideCharToMultiByte(CP_UTF8, 0, text.data(), length, nullptr, 0, nullptr, nullptr);
  if (needed <= 0) {
    return {};
  }
  std::string utf8(static_cast<size_t>(needed), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.data(), length, utf8.data(), needed, nullptr, nullptr);
  return utf8;
}

std::wstring ProgramFolder() {
  wchar_t path[MAX_PATH] = {};
  const DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH);
  wchar_t folder[MAX_PATH] = {};
  if (length == 0 || length >= MAX_PATH ||
      !StationDirectoryFromModulePath(path, folder, MAX_PATH)) {
    return {};
  }
  return folder;
}
