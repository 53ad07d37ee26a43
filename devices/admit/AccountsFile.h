// The accounts file on disk: Accounts.ini beside the running program, read whole and
// replaced whole, so that a crash while writing leaves either the old or the new file.
#pragma once

#include <string>

namespace admit {

inline constexpr size_t kMaxAccountsFileBytes = 1 << 20;

enum class FileRead { kRead, kMissing, kFailed };

std::wstring AccountsPathBesideProgram();
// kFailed leaves what went wrong in `problem`.
FileRead ReadAccountsText(const std::wstring& path, std::string& text, std::wstring& problem);
// Writes a temporary file beside the target, flushes it and moves it over the target.
bool WriteAccountsText(const std::wstring& path, const std::string& text, std::wstring& problem);

}  // namespace admit
