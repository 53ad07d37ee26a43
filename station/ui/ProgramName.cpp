#include "station/ui/ProgramName.h"

#include <windows.h>

namespace ui {

std::wstring ProgramName() {
  wchar_t path[MAX_PATH] = {};
  DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH);
  std::wstring name(path, length < MAX_PATH ? length : 0);
  size_t slash = name.find_last_of(L"\\/");
  if (slash != std::wstring::npos) {
    name.erase(0, slash + 1);
  }
  size_t dot = name.find_last_of(L'.');
  if (dot != std::wstring::npos) {
    name.erase(dot);
  }
  return name;
}

}  // namespace ui
