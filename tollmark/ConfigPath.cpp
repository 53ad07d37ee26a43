#include "tollmark/ConfigPath.h"

#include <cstring>

bool TollmarkIniPath(const char* modulePath, char* out, size_t size) {
  static const char kFileName[] = "\\Tollmark.ini";
  const char* slash = std::strrchr(modulePath, '\\');
  if (slash == nullptr) {
    return false;
  }
  const size_t folder = static_cast<size_t>(slash - modulePath);
  if (folder + sizeof(kFileName) > size) {
    return false;
  }
  std::memcpy(out, modulePath, folder);
  std::memcpy(out + folder, kFileName, sizeof(kFileName));
  return true;
}
