#include "AccountsLock.h"

#include <sddl.h>

#include <cstdio>
#include <vector>

namespace admit {
namespace {

// The folder by its volume and file number rather than its spelling, so that every path to it
// (case, short names, another drive letter) names the same lock.
bool FolderKey(const std::wstring& accountsPath, wchar_t* key, size_t size) {
  std::vector<wchar_t> full(32768);
  wchar_t* name = nullptr;
  const DWORD length =
      GetFullPathNameW(accountsPath.c_str(), static_cast<DWORD>(full.size()), full.data(), &name);
  if (length == 0 || length >= full.size() || name == nullptr || name == full.data()) {
    return false;
  }
  *name = L'\0';  // the folder, with its final backslash
  HANDLE folder = CreateFileW(full.data(), FILE_READ_ATTRIBUTES,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (folder == INVALID_HANDLE_VALUE) {
    return false;
  }
  BY_HANDLE_FILE_INFORMATION info = {};
  const bool ok = GetFileInformationByHandle(folder, &info) != FALSE;
  CloseHandle(folder);
  return ok && std::swprintf(key, size, L"%08lX.%08lX%08lX", info.dwVolumeSerialNumber,
                             info.nFileIndexHigh, info.nFileIndexLow) > 0;
}

}  // namespace

AccountsLock::AccountsLock(const std::wstring& accountsPath, DWORD waitMs) {
  wchar_t key[64] = {};
  if (!FolderKey(accountsPath, key, 64)) {
    problem_ = L"The folder of the accounts file\n" + accountsPath + L"\ncannot be opened.";
    return;
  }
  // Every signed-in user may wait for the lock and release it; only the system and
  // administrators may do more.
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  ConvertStringSecurityDescriptorToSecurityDescriptorW(
      L"D:(A;;0x001F0001;;;SY)(A;;0x001F0001;;;BA)(A;;0x00100001;;;AU)", SDDL_REVISION_1,
      &descriptor, nullptr);
  SECURITY_ATTRIBUTES attributes = {sizeof attributes, descriptor, FALSE};
  const std::wstring name = std::wstring(L"Global\\Varnex.Accounts.") + key;
  mutex_ = CreateMutexW(descriptor != nullptr ? &attributes : nullptr, FALSE, name.c_str());
  if (descriptor != nullptr) {
    LocalFree(descriptor);
  }
  if (mutex_ == nullptr) {
    problem_ = L"The lock of the accounts file cannot be taken (Windows error " +
               std::to_wstring(GetLastError()) + L").";
    return;
  }
  // An abandoned lock is taken over: its owner ended, and a half-written file is mended from
  // the journal when it is read.
  const DWORD waited = WaitForSingleObject(mutex_, waitMs);
  held_ = waited == WAIT_OBJECT_0 || waited == WAIT_ABANDONED;
  if (!held_) {
    problem_ = L"The accounts file is in use by another program. Try again.";
  }
}

AccountsLock::~AccountsLock() {
  if (held_) {
    ReleaseMutex(mutex_);
  }
  if (mutex_ != nullptr) {
    CloseHandle(mutex_);
  }
}

}  // namespace admit
