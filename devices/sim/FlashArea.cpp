#include "FlashArea.h"

#include <windows.h>

#include <cstring>

#include "SimFiles.h"
#include "SimResults.h"

namespace sim {

bool FlashRangeValid(int32_t count, int32_t offset) {
  return count >= 0 && offset >= 0 && int64_t{count} + int64_t{offset} <= kFlashSize;
}

bool LoadFlash(const std::wstring& path, FlashBytes& area) {
  area.fill(0);
  std::string bytes;
  if (!ReadWholeFile(path, bytes, kFlashSize)) {
    DWORD error = GetLastError();
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
  }
  std::memcpy(area.data(), bytes.data(), bytes.size());
  return true;
}

bool SaveFlash(const std::wstring& path, const FlashBytes& area) {
  return WriteWholeFile(path, area.data(), area.size());
}

int32_t ReadFlashBytes(const std::wstring& path, void* buffer, int32_t count, int32_t offset) {
  if (buffer == nullptr || !FlashRangeValid(count, offset)) {
    return kBadArgument;
  }
  FlashBytes area;
  if (!LoadFlash(path, area)) {
    return kFlashFileError;
  }
  std::memcpy(buffer, area.data() + offset, static_cast<size_t>(count));
  return 0;
}

// The whole area is read back first, so bytes another process wrote survive.
int32_t WriteFlashBytes(const std::wstring& path, const void* buffer, int32_t count,
                        int32_t offset) {
  if (buffer == nullptr || !FlashRangeValid(count, offset)) {
    return kBadArgument;
  }
  FlashBytes area;
  if (!LoadFlash(path, area)) {
    return kFlashFileError;
  }
  std::memcpy(area.data() + offset, buffer, static_cast<size_t>(count));
  return SaveFlash(path, area) ? 0 : kFlashFileError;
}

}  // namespace sim
