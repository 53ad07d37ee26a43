// A profile store in memory for the platform-neutral configuration tests. It answers like the
// profile functions (missing keys give the default, texts are cut to the buffer) and records
// every write in order.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "station/config/ConfigStore.h"

class MemoryProfile final : public ProfileReader, public ProfileWriter {
 public:
  void Set(const std::wstring& section, const std::wstring& key, const std::wstring& value);

  int32_t ReadInt(const wchar_t* section, const wchar_t* key, int32_t defaultValue) override;
  void ReadText(const wchar_t* section, const wchar_t* key, const wchar_t* defaultText,
                wchar_t* buffer, int32_t capacity) override;
  void WriteText(const wchar_t* section, const wchar_t* key, const wchar_t* value) override;

  // "SECTION/key=value" for every write, in order.
  std::vector<std::wstring> writes;
  std::map<std::pair<std::wstring, std::wstring>, std::wstring> values;
};
