// The accounts file on disk: Accounts.ini beside the running program, read whole and written
// whole. The station folder may let operators write this file but create nothing beside it, so
// a change is written in place, guarded by a journal beside it (Accounts.ini.new) that holds
// the new text until the file itself is complete: a crash while writing leaves the old file, or
// a damaged file and the new text in the journal, never a loss. Only the first account creates
// the file: by moving the journal to its name, which never replaces an existing file.
#pragma once

#include <string>

namespace admit {

inline constexpr size_t kMaxAccountsFileBytes = 1 << 20;

enum class FileRead { kRead, kMissing, kFailed };
enum class WriteMode {
  kReplace,  // the file exists: journal, then the file in place
  kCreate,   // the first account: journal moved to the file's name, never over a file
};

// Empty when the program's own path cannot be read whole (too long): then there is no accounts
// file to use, which is not the same as a missing one.
std::wstring AccountsPathBesideProgram();
std::wstring JournalPath(const std::wstring& path);
// kFailed leaves what went wrong in `problem`.
FileRead ReadAccountsText(const std::wstring& path, std::string& text, std::wstring& problem);
bool WriteAccountsText(const std::wstring& path, const std::string& text, WriteMode mode,
                       std::wstring& problem);
// The journal's text; empty when it is missing, empty or unreadable.
std::string ReadJournalText(const std::wstring& path);
// Empties a journal left over from a write that never finished.
void ClearJournal(const std::wstring& path);

}  // namespace admit
