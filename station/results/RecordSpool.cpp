#include "station/results/RecordSpool.h"

#include <algorithm>
#include <climits>
#include <functional>

#include <windows.h>

#include "station/results/StationFacts.h"
#include "station/results/core/RecordId.h"

namespace {

// Records are a few kilobytes; a file far larger is not one of ours.
constexpr uint64_t kLargestRecordFile = 16 * 1024 * 1024;

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

FILETIME FileTime(uint64_t value) {
  return FILETIME{static_cast<DWORD>(value), static_cast<DWORD>(value >> 32)};
}

// Writes, flushes, gives the file `writeTime` unless 0, and closes; false (and the error) when
// any step failed.
bool WriteWhole(const std::wstring& path, const std::string& bytes, DWORD& error,
                uint64_t writeTime = 0) {
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
  if (ok && writeTime != 0) {
    const FILETIME time = FileTime(writeTime);
    ok = SetFileTime(file, nullptr, nullptr, &time);
  }
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

// Every file of `folder` whose name matches `pattern`, with its name in UTF-8.
void ForEachFile(const std::wstring& folder, const wchar_t* pattern,
                 const std::function<void(const WIN32_FIND_DATAW&, const std::string&)>& each) {
  WIN32_FIND_DATAW found{};
  HANDLE search = FindFirstFileW((folder + L"\\" + pattern).c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) {
    return;
  }
  do {
    if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
      each(found, Utf16ToUtf8(found.cFileName));
    }
  } while (FindNextFileW(search, &found));
  FindClose(search);
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

std::wstring RecordSpool::RejectedFolder() const {
  return results_ + L"\\rejected";
}

std::wstring RecordSpool::RecordPath(const std::string& id) const {
  return SpoolFolder() + L"\\" + Utf8ToUtf16(RecordFileName(id));
}

std::wstring RecordSpool::Write(const std::string& id, const std::string& json) const {
  std::wstring problem = WriteTemporary(id, json);
  return problem.empty() ? Commit(id) : problem;
}

std::wstring RecordSpool::WriteTemporary(const std::string& id, const std::string& json,
                                         uint64_t writeTime) const {
  if (results_.empty()) {
    return L"the program's folder is unknown";
  }
  if (!IsRecordId(id)) {
    return L"the record id is not a UUID";
  }
  if (!MakeFolder(results_) || !MakeFolder(SpoolFolder())) {
    return Problem(L"cannot create " + SpoolFolder(), GetLastError());
  }
  const std::wstring temporary = SpoolFolder() + L"\\" + Utf8ToUtf16(TempFileName(id));
  DWORD error = 0;
  if (!WriteWhole(temporary, json, error, writeTime)) {
    DeleteFileW(temporary.c_str());
    return Problem(L"cannot write " + temporary, error);
  }
  return {};
}

std::wstring RecordSpool::Commit(const std::string& id) const {
  const std::wstring temporary = SpoolFolder() + L"\\" + Utf8ToUtf16(TempFileName(id));
  const std::wstring record = RecordPath(id);
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
  ForEachFile(SpoolFolder(), L"*.json",
              [&](const WIN32_FIND_DATAW& found, const std::string& name) {
                if (auto id = RecordIdOfFileName(name)) {
                  records.push_back(SpooledRecord{*id, SpoolFolder() + L"\\" + found.cFileName,
                                                  Value(found.ftLastWriteTime)});
                }
              });
  std::sort(records.begin(), records.end(), [](const SpooledRecord& a, const SpooledRecord& b) {
    return a.writeTime != b.writeTime ? a.writeTime < b.writeTime : a.id < b.id;
  });
  return records;
}

void RecordSpool::RemoveStaleTemporaries(uint64_t ageMs) const {
  if (results_.empty()) {
    return;
  }
  const uint64_t now = Now();
  const uint64_t age = ageMs * 10000;  // FILETIME counts 100 ns
  ForEachFile(SpoolFolder(), L"*.tmp", [&](const WIN32_FIND_DATAW& found, const std::string& name) {
    const uint64_t written = Value(found.ftLastWriteTime);
    if (IsTempFileName(name) && (written > now || now - written >= age)) {
      DeleteFileW((SpoolFolder() + L"\\" + found.cFileName).c_str());
    }
  });
}

int RecordSpool::RejectedCount() const {
  int count = 0;
  ForEachFile(RejectedFolder(), L"*.json", [&](const WIN32_FIND_DATAW&, const std::string& name) {
    count += RecordIdOfFileName(name) ? 1 : 0;
  });
  return count;
}

int RecordSpool::RetryRejected() const {
  std::vector<std::string> ids;
  ForEachFile(RejectedFolder(), L"*.json", [&](const WIN32_FIND_DATAW&, const std::string& name) {
    if (auto id = RecordIdOfFileName(name)) {
      ids.push_back(*id);
    }
  });
  if (ids.empty() || !MakeFolder(results_) || !MakeFolder(SpoolFolder())) {
    return 0;
  }
  int moved = 0;
  for (const std::string& id : ids) {
    const std::wstring rejected = RejectedFolder() + L"\\" + Utf8ToUtf16(id);
    // A move keeps the file's times: the record takes its old place in the order.
    if (MoveFileExW((rejected + L".json").c_str(), RecordPath(id).c_str(),
                    MOVEFILE_WRITE_THROUGH)) {
      DeleteFileW((rejected + L".answer.txt").c_str());
      ++moved;
    }
  }
  return moved;
}

std::vector<std::string> RecordSpool::Waiting() const {
  std::vector<std::string> ids;
  for (const SpooledRecord& record : List()) {
    ids.push_back(record.id);
  }
  return ids;
}

std::optional<std::string> RecordSpool::Read(const std::string& id) const {
  std::string bytes;
  if (!ReadWhole(RecordPath(id), bytes)) {
    return std::nullopt;
  }
  return bytes;
}

std::string RecordSpool::Rewrite(const std::string& id, const std::string& text) const {
  WIN32_FILE_ATTRIBUTE_DATA attributes{};
  if (!GetFileAttributesExW(RecordPath(id).c_str(), GetFileExInfoStandard, &attributes)) {
    return Utf16ToUtf8(Problem(L"cannot read " + RecordPath(id), GetLastError()));
  }
  std::wstring problem = WriteTemporary(id, text, Value(attributes.ftLastWriteTime));
  if (problem.empty()) {
    problem = Commit(id);
  }
  return Utf16ToUtf8(problem);
}

std::string RecordSpool::FileSent(const std::string& id, const std::string& day) const {
  const std::wstring sent = results_ + L"\\sent";
  const std::wstring folder = sent + L"\\" + Utf8ToUtf16(day);
  if (!MakeFolder(sent) || !MakeFolder(folder)) {
    return Utf16ToUtf8(Problem(L"cannot create " + folder, GetLastError()));
  }
  return Utf16ToUtf8(Move(RecordPath(id), folder + L"\\" + Utf8ToUtf16(RecordFileName(id))));
}

std::string RecordSpool::FileRejected(const std::string& id, const std::string& reason) const {
  const std::wstring rejected = RejectedFolder();
  if (!MakeFolder(results_) || !MakeFolder(rejected)) {
    return Utf16ToUtf8(Problem(L"cannot create " + rejected, GetLastError()));
  }
  // The reason first: a record in rejected\ always has it beside it.
  const std::wstring reasonPath = rejected + L"\\" + Utf8ToUtf16(id) + L".answer.txt";
  DWORD error = 0;
  if (!WriteWhole(reasonPath, reason, error)) {
    return Utf16ToUtf8(Problem(L"cannot write " + reasonPath, error));
  }
  return Utf16ToUtf8(Move(RecordPath(id), rejected + L"\\" + Utf8ToUtf16(RecordFileName(id))));
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
