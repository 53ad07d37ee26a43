#include "SimFiles.h"

#include <windows.h>

namespace sim {

std::wstring ExeFolder() {
  wchar_t path[MAX_PATH] = {};
  DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH);
  std::wstring folder(path, length < MAX_PATH ? length : 0);
  size_t slash = folder.find_last_of(L"\\/");
  return slash == std::wstring::npos ? std::wstring() : folder.substr(0, slash + 1);
}

std::wstring Widen(std::string_view text) {
  if (text.empty() || text.size() > 0x7FFFFFF) {
    return std::wstring();
  }
  int length =
      MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  std::wstring wide(static_cast<size_t>(length > 0 ? length : 0), L'\0');
  if (length > 0) {
    MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), wide.data(), length);
  }
  return wide;
}

std::wstring BesideExe(std::wstring_view name) {
  bool full = (name.size() > 1 && name[1] == L':') ||
              (!name.empty() && (name[0] == L'\\' || name[0] == L'/'));
  return full ? std::wstring(name) : ExeFolder() + std::wstring(name);
}

bool ReadWholeFile(const std::wstring& path, std::string& text, size_t limit) {
  HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                            OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    return false;
  }
  text.clear();
  char chunk[4096];
  DWORD got = 0;
  while (text.size() < limit && ReadFile(file, chunk, sizeof chunk, &got, nullptr) && got > 0) {
    size_t room = limit - text.size();
    text.append(chunk, got < room ? got : room);
  }
  CloseHandle(file);
  return true;
}

bool WriteWholeFile(const std::wstring& path, const void* data, size_t size) {
  HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                            nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    return false;
  }
  DWORD written = 0;
  BOOL ok = WriteFile(file, data, static_cast<DWORD>(size), &written, nullptr);
  CloseHandle(file);
  return ok && written == size;
}

}  // namespace sim
