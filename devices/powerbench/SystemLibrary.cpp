#include "SystemLibrary.h"

#include <string>

SystemLibrary::SystemLibrary(const wchar_t* name) {
  wchar_t folder[MAX_PATH] = {};
  const UINT length = GetSystemDirectoryW(folder, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) {
    return;
  }
  const std::wstring path = std::wstring(folder) + L"\\" + name;
  // The libraries it needs in turn are looked for beside it first, in the system folder too.
  module_ = LoadLibraryExW(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
}

SystemLibrary::~SystemLibrary() {
  if (module_ != nullptr) {
    FreeLibrary(module_);
  }
}
