// A library of the Windows system folder, loaded by its full path: the bus libraries are never
// taken from the program's folder, the current folder or the PATH, where anyone could put one.
#pragma once

#include <windows.h>

class SystemLibrary {
 public:
  explicit SystemLibrary(const wchar_t* name);
  ~SystemLibrary();
  SystemLibrary(const SystemLibrary&) = delete;
  SystemLibrary& operator=(const SystemLibrary&) = delete;

  bool Loaded() const { return module_ != nullptr; }

  // Sets `function` to the export; false (and null) when the library lacks it.
  template <typename Function>
  bool Find(const char* name, Function& function) const {
    function =
        module_ ? reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(module_, name)))
                : nullptr;
    return function != nullptr;
  }

 private:
  HMODULE module_ = nullptr;
};
