#include "station/results/RecordSpool.h"

#include <algorithm>
#include <climits>

#include <windows.h>

#include "station/results/StationFacts.h"
#include "station/results/core/RecordId.h"
#include "station/results/core/Utf8.h"

namespace {

// Records are a few kilobytes; a file far larger is not one of ours.
constexpr uint64_t kLargestRecordFile = 16 * 1024 * 1024;

std::string Narrow(const std::wstring& ascii) {
  std::string text;
  for (wchar_t c : ascii) {
    text += c < 0x80 ? static_cast<char>(c) : '?';
  }
  return text;
}

std::wstring Problem(const std::wstring& what, DWORD error) {
  return what + L" (error " + std::to_wstring(error) + L")";
}

bool MakeFolder(const std::wstring& path) {
  return CreateDirectoryW(path.c_str(), nullptr) || GetLastError() == ERROR_ALREADY_EXISTS;
}

uint64_t Value(const FILETIME& time) {
  return (static_cast<uint64_t>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
}

uint64_t Now() {
  FILETIME now{};
  GetSystemTimeAsFileTime(&now);
  return Value(now);
}

// Writes, flushes and closes; false (and the error) when any step failed.
bool WriteWhole(const std::wstring& path, const std::string& bytes, DWORD& error) {
  HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    error = GetLastError();
    return false;
  }
  bool ok = true;
  for (size_t at = 0; ok && at < bytes.size();) {
    DWORD written = 0;
    const DWORD chunk = static_cast<DWORD>(std::min<size_t>(bytes.size() - at, 1 << 20));
    ok = ::WriteFile(file, bytes.data() + at, chunk, &written, nullptr) && written > 0;
    at += written;
  }
  ok = ok && FlushFileBuffers(file);
  error = ok ? 0 : GetLastError();
  ok = CloseHandle(file) && ok;
  return ok;
}

// Moves over an older copy of the same file; a source that is gone is no failure.
std::wstring Move(const std::wstring& from, const std::wstring& to) {
  if (MoveFileExW(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
    return {};
  }
  const DWORD error = GetLastError();
  if (error == ERROR_FILE_NOT_FOUND) {
    return {};
  }
  return Problem(L"cannot move " + from + L" to " + to, error);
}

}  // namespace

RecordSpool::RecordSpool(std::wstring resultsFolder) : results_(std::move(resultsFolder)) {
  if (results_.empty()) {
    const std::wstring program = ProgramFolder();
    results_ = program.empty() ? std::wstring() : program + L"\\results";
  }
}

std::wstring RecordSpool::SpoolFolder() const {
  return results_ + L"\\spool";
}

std::wstring RecordSpool::Write(const std::string& id, const std::string& json) const {
  std::wstring problem = WriteTemporary(id, json);
  return problem.empty() ? Commit(id) : problem;
}

std::wstring RecordSpool::WriteTemporary(const std::string& id, const std::string& json) const {
  if (results_.empty()) {
    return L"the program's folder is unknown";
  }
  if (!IsRecordId(id)) {
    return L"the record id is not a UUID";
  }
  if (!MakeFolder(results_) || !MakeFolder(SpoolFolder())) {
    return Problem(L"cannot create " + SpoolFolder(), GetLastError());
  }
  const std::wstring temporary = SpoolFolder() + L"\\" + AsciiToWide(TempFileName(id));
  DWORD error = 0;
  if (!WriteWhole(temporary, json, error)) {
    DeleteFileW(temporary.c_str());
    return Problem(L"cannot write " + temporary, error);
  }
  return {};
}

std::wstring RecordSpool::Commit(const std::string& id) const {
  const std::wstring temporary = SpoolFolder() + L"\\" + AsciiToWide(TempFileName(id));
  const std::wstring record = SpoolFolder() + L"\\" + AsciiToWide(RecordFileName(id));
  if (!MoveFileExW(temporary.c_str(), record.c_str(),
                   MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
    const DWORD error = GetLastError();
    DeleteFileW(temporary.c_str());
    return Problem(L"cannot rename " + temporary, error);
  }
  return {};
}

std::vector<SpooledRecord> RecordSpool::List() const {
  std::vector<SpooledRecord> records;
  if (results_.empty()) {
    return records;
  }
  WIN32_FIND_DATAW found{};
  HANDLE search = FindFirstFileW((SpoolFolder() + L"\\*.json").c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) {
    return records;
  }
  do {
    if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
      continue;
    }
    auto id = RecordIdOfFileName(Narrow(found.cFileName));
    if (id) {
      records.push_back(SpooledRecord{*id, SpoolFolder() + L"\\" + found.cFileName,
                                      Value(found.ftLastWriteTime)});
    }
  } while (FindNextFileW(search, &found));
  FindClose(search);
  std::sort(records.begin(), records.end(), [](const SpooledRecord& a, const SpooledRecord& b) {
    return a.writeTime != b.writeTime ? a.writeTime < b.writeTime : a.id < b.id;
  });
  return records;
}

void RecordSpool::RemoveStaleTemporaries(uint64_t ageMs) const {
  if (results_.empty()) {
    return;
  }
  WIN32_FIND_DATAW found{};
  HANDLE search = FindFirstFileW((SpoolFolder() + L"\\*.tmp").c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) {
    return;
  }
  const uint64_t now = Now();
  const uint64_t age = ageMs * 10000;  // FILETIME counts 100 ns
  do {
    const uint64_t written = Value(found.ftLastWriteTime);
    if (IsTempFileName(Narrow(found.cFileName)) && (written > now || now - written >= age)) {
      DeleteFileW((SpoolFolder() + L"\\" + found.cFileName).c_str());
    }
  } while (FindNextFileW(search, &found));
  FindClose(search);
}

std::wstring RecordSpool::MoveToSent(const SpooledRecord& record, const std::string& date) const {
  const std::wstring sent = results_ + L"\\sent";
  const std::wstring day = sent + L"\\" + AsciiToWide(date);
  if (!MakeFolder(sent) || !MakeFolder(day)) {
    return Problem(L"cannot create " + day, GetLastError());
  }
  return Move(record.path, day + L"\\" + AsciiToWide(RecordFileName(record.id)));
}

std::wstring RecordSpool::MoveToRejected(const SpooledRecord& record,
                                         const std::string& answer) const {
  const std::wstring rejected = results_ + L"\\rejected";
  if (!MakeFolder(rejected)) {
    return Problem(L"cannot create " + rejected, GetLastError());
  }
  // The answer first: a record in rejected\ always has its reason beside it.
  const std::wstring answerPath = rejected + L"\\" + AsciiToWide(record.id) + L".answer.txt";
  DWORD error = 0;
  if (!WriteWhole(answerPath, answer, error)) {
    return Problem(L"cannot write " + answerPath, error);
  }
  return Move(record.path, rejected + L"\\" + AsciiToWide(RecordFileName(record.id)));
}

bool RecordSpool::ReadWhole(const std::wstring& path, std::string& bytes) {
  HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE,
                            nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    return false;
  }
  LARGE_INTEGER size{};
  bool ok = GetFileSizeEx(file, &size) && size.QuadPart >= 0 &&
            static_cast<uint64_t>(size.QuadPart) <= kLargestRecordFile;
  if (ok) {
    bytes.assign(static_cast<size_t>(size.QuadPart), '\0');
    DWORD got = 0;
    ok = bytes.empty() ||
         (::ReadFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &got, nullptr) &&
          got == bytes.size());
  }
  CloseHandle(file);
  return ok;
}
