#include "AccountsFile.h"

#include <windows.h>
#include <aclapi.h>

#include <vector>

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

std::wstring CannotWrite(DWORD error) {
  return L"it cannot be written (" + SystemMessage(error) + L")";
}

// Writes the whole text from the start, cuts the file there and flushes it to the disk.
bool PutText(HANDLE file, const std::string& text, DWORD& error) {
  DWORD written = 0;
  bool ok = SetFilePointer(file, 0, nullptr, FILE_BEGIN) != INVALID_SET_FILE_POINTER &&
            (text.empty() ||
             (WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr) &&
              written == text.size())) &&
            SetEndOfFile(file) && FlushFileBuffers(file);
  error = ok ? ERROR_SUCCESS : GetLastError();
  return ok;
}

void Empty(HANDLE file) {
  DWORD ignored = 0;
  PutText(file, std::string(), ignored);
}

HANDLE OpenForWriting(const std::wstring& path, DWORD disposition) {
  return CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, disposition, FILE_ATTRIBUTE_NORMAL,
                     nullptr);
}

// After the first account the journal is made again, with the rights the installer gave the
// moved file, so that operators can go on writing both. Where that fails, later changes are
// refused with a message; nothing is lost.
void RemakeJournal(const std::wstring& path) {
  HANDLE journal = CreateFileW(JournalPath(path).c_str(), GENERIC_WRITE | WRITE_DAC, 0, nullptr,
                               CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (journal == INVALID_HANDLE_VALUE) {
    return;
  }
  PACL rights = nullptr;
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  if (GetNamedSecurityInfoW(path.c_str(), SE_FILE_OBJECT, DACL_SECURITY_INFORMATION, nullptr,
                            nullptr, &rights, nullptr, &descriptor) == ERROR_SUCCESS) {
    SetSecurityInfo(journal, SE_FILE_OBJECT,
                    DACL_SECURITY_INFORMATION | UNPROTECTED_DACL_SECURITY_INFORMATION, nullptr,
                    nullptr, rights, nullptr);
    LocalFree(descriptor);
  }
  CloseHandle(journal);
}

}  // namespace

std::wstring AccountsPathBesideProgram() {
  // Long enough for any path Windows can give; a path cut at the buffer's end names another
  // folder, so it is refused rather than used.
  std::vector<wchar_t> path(32768);
  const DWORD length = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
  if (length == 0 || length >= path.size()) {
    return std::wstring();
  }
  std::wstring folder(path.data(), length);
  const size_t slash = folder.find_last_of(L"\\/");
  if (slash == std::wstring::npos) {
    return std::wstring();
  }
  return folder.substr(0, slash + 1) + L"Accounts.ini";
}

std::wstring JournalPath(const std::wstring& path) {
  return path + L".new";
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

bool WriteAccountsText(const std::wstring& path, const std::string& text, WriteMode mode,
                       std::wstring& problem) {
  const std::wstring journalPath = JournalPath(path);
  HANDLE journal = OpenForWriting(journalPath, OPEN_ALWAYS);
  DWORD error = GetLastError();
  if (journal == INVALID_HANDLE_VALUE) {
    problem = L"its journal " + journalPath + L" " + CannotWrite(error);
    return false;
  }
  if (!PutText(journal, text, error)) {
    Empty(journal);
    CloseHandle(journal);
    problem = L"its journal " + journalPath + L" " + CannotWrite(error);
    return false;
  }

  if (mode == WriteMode::kCreate) {
    CloseHandle(journal);
    if (!MoveFileExW(journalPath.c_str(), path.c_str(), MOVEFILE_WRITE_THROUGH)) {
      error = GetLastError();
      ClearJournal(path);
      problem = error == ERROR_ALREADY_EXISTS || error == ERROR_FILE_EXISTS
                    ? L"another program created it meanwhile"
                    : CannotWrite(error);
      return false;
    }
    RemakeJournal(path);
    return true;
  }

  HANDLE file = OpenForWriting(path, OPEN_EXISTING);
  if (file == INVALID_HANDLE_VALUE) {
    error = GetLastError();
    Empty(journal);  // nothing was changed
    CloseHandle(journal);
    problem = CannotWrite(error);
    return false;
  }
  const bool written = PutText(file, text, error);
  CloseHandle(file);
  if (!written) {
    // The file may be half written: the journal keeps the new text for the next reading.
    CloseHandle(journal);
    problem = CannotWrite(error) + L"; the new accounts are kept in " + journalPath;
    return false;
  }
  Empty(journal);
  CloseHandle(journal);
  return true;
}

std::string ReadJournalText(const std::wstring& path) {
  std::string text;
  std::wstring ignored;
  return ReadAccountsText(JournalPath(path), text, ignored) == FileRead::kRead ? text
                                                                               : std::string();
}

void ClearJournal(const std::wstring& path) {
  const std::wstring journalPath = JournalPath(path);
  WIN32_FILE_ATTRIBUTE_DATA data = {};
  if (!GetFileAttributesExW(journalPath.c_str(), GetFileExInfoStandard, &data) ||
      (data.nFileSizeHigh == 0 && data.nFileSizeLow == 0)) {
    return;
  }
  HANDLE journal = OpenForWriting(journalPath, OPEN_EXISTING);
  if (journal != INVALID_HANDLE_VALUE) {
    Empty(journal);
    CloseHandle(journal);
  }
}

}  // namespace admit
