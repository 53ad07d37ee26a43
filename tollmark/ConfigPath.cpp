#include "tollmark/ConfigPath.h"

#include <cwchar>
#include <iterator>

bool TollmarkIniPath(const wchar_t* modulePath, wchar_t* out, size_t count) {
  static const wchar_t kFileName[] = L"\\Tollmark.ini";
  const wchar_t* slash = std::wcsrchr(modulePath, L'\\');
  if (slash == nullptr) {
    return false;
  }
  const size_t folder = static_cast<size_t>(slash - modulePath);
  if (folder + std::size(kFileName) > count) {
    return false;
  }
  std::wmemcpy(out, modulePath, folder);
  std::wmemcpy(out + folder, kFileName, std::size(kFileName));
  return true;
}
