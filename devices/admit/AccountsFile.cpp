#include "AccountsFile.h"

#include <windows.h>

namespace admit {
namespace {

std::wstring SystemMessage(DWORD error) {
  wchar_t text[256] = {};
  DWORD length = FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                                error, 0, text, 256, nullptr);
  while (length > 0 && (text[length - 1] == L'\r' || text[length - 1] == L'\n' ||
                        text[length - 1] == L'.' || text[length - 1] == L' ')) {
    text[--length] = L'\0';
  }
  return length > 0 ? std::wstring(text, length) : L"Windows error " + std::to_wstring(error);
}

}  // namespace

std::wstring AccountsPathBesideProgram() {
  wchar_t path[MAX_PATH] = {};
  DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH);
  std::wstring folder(path, length < MAX_PATH ? length : 0);
  size_t slash = folder.find_last_of(L"\\/");
  folder = slash == std::wstring::npos ? std::wstring() : folder.substr(0, slash + 1);
  return folder + L"Accounts.ini";
}

FileRead ReadAccountsText(const std::wstring& path, std::string& text, std::wstring& problem) {
  text.clear();
  HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    DWORD error = GetLastError();
    if (error == ERROR_FILE_NOT_FOUND) {
      return FileRead::kMissing;
    }
    problem = L"it cannot be opened (" + SystemMessage(error) + L")";
    return FileRead::kFailed;
  }
  LARGE_INTEGER size = {};
  bool ok = GetFileSizeEx(file, &size) != FALSE;
  if (ok && size.QuadPart > static_cast<LONGLONG>(kMaxAccountsFileBytes)) {
    CloseHandle(file);
    problem = L"it is larger than 1 MB";
    return FileRead::kFailed;
  }
  if (ok) {
    text.resize(static_cast<size_t>(size.QuadPart));
    DWORD got = 0;
    ok = text.empty() ||
         (ReadFile(file, text.data(), static_cast<DWORD>(text.size()), &got, nullptr) &&
          got == text.size());
  }
  DWORD error = GetLastError();
  CloseHandle(file);
  if (!ok) {
    text.clear();
    problem = L"it cannot be read (" + SystemMessage(error) + L")";
    return FileRead::kFailed;
  }
  return FileRead::kRead;
}

bool WriteAccountsText(const std::wstring& path, const std::string& text, std::wstring& problem) {
  const std::wstring temporary = path + L"." + std::to_wstring(GetCurrentProcessId()) + L".new";
  HANDLE file = CreateFileW(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    problem = L"it cannot be written (" + SystemMessage(GetLastError()) + L")";
    return false;
  }
  DWORD written = 0;
  bool ok = WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr) &&
            written == text.size() && FlushFileBuffers(file);
  DWORD error = GetLastError();
  CloseHandle(file);
  if (ok && !MoveFileExW(temporary.c_str(), path.c_str(),
                         MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
    ok = false;
    error = GetLastError();
  }
  if (!ok) {
    DeleteFileW(temporary.c_str());
    problem = L"it cannot be written (" + SystemMessage(error) + L")";
  }
  return ok;
}

}  // namespace admit
