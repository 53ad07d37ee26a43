#include "MemoryProfile.h"

#include <cwchar>

void MemoryProfile::Set(const std::wstring& section, const std::wstring& key,
                        const std::wstring& value) {
  values[{section, key}] = value;
}

int32_t MemoryProfile::ReadInt(const wchar_t* section, const wchar_t* key, int32_t defaultValue) {
  auto found = values.find({section, key});
  if (found == values.end() || found->second.empty()) {
    return defaultValue;
  }
  return static_cast<int32_t>(std::wcstol(found->second.c_str(), nullptr, 10));
}

void MemoryProfile::ReadText(const wchar_t* section, const wchar_t* key, const wchar_t* defaultText,
                             wchar_t* buffer, int32_t capacity) {
  auto found = values.find({section, key});
  std::wstring value = found == values.end() ? std::wstring(defaultText) : found->second;
  if (capacity <= 0) {
    return;
  }
  value = value.substr(0, static_cast<size_t>(capacity - 1));
  std::wmemcpy(buffer, value.c_str(), value.size() + 1);
}

void MemoryProfile::WriteText(const wchar_t* section, const wchar_t* key, const wchar_t* value) {
  writes.push_back(std::wstring(section) + L"/" + key + L"=" + value);
  values[{section, key}] = value;
}
