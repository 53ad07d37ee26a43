#include "station/results/core/RecordId.h"

namespace {

constexpr size_t kUuidLength = 36;
constexpr char kRecordSuffix[] = ".json";
constexpr char kTempSuffix[] = ".tmp";

bool EndsWith(std::string_view text, std::string_view end) {
  return text.size() >= end.size() && text.substr(text.size() - end.size()) == end;
}

}  // namespace

std::string FormatUuidV4(const std::array<uint8_t, 16>& random) {
  std::array<uint8_t, 16> bytes = random;
  bytes[6] = static_cast<uint8_t>((bytes[6] & 0x0F) | 0x40);  // version 4
  bytes[8] = static_cast<uint8_t>((bytes[8] & 0x3F) | 0x80);  // RFC 4122 variant
  constexpr char kHex[] = "0123456789abcdef";
  std::string text;
  text.reserve(kUuidLength);
  for (size_t i = 0; i < bytes.size(); ++i) {
    if (i == 4 || i == 6 || i == 8 || i == 10) {
      text += '-';
    }
    text += kHex[bytes[i] >> 4];
    text += kHex[bytes[i] & 0x0F];
  }
  return text;
}

bool IsRecordId(std::string_view text) {
  if (text.size() != kUuidLength) {
    return false;
  }
  for (size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (i == 8 || i == 13 || i == 18 || i == 23) {
      if (c != '-') {
        return false;
      }
    } else if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'))) {
      return false;
    }
  }
  return true;
}

std::string RecordFileName(std::string_view id) {
  return std::string(id) + kRecordSuffix;
}

std::string TempFileName(std::string_view id) {
  return std::string(id) + kTempSuffix;
}

std::optional<std::string> RecordIdOfFileName(std::string_view name) {
  if (!EndsWith(name, kRecordSuffix)) {
    return std::nullopt;
  }
  const std::string_view id = name.substr(0, name.size() - (sizeof kRecordSuffix - 1));
  if (!IsRecordId(id)) {
    return std::nullopt;
  }
  return std::string(id);
}

bool IsTempFileName(std::string_view name) {
  return EndsWith(name, kTempSuffix) &&
         IsRecordId(name.substr(0, name.size() - (sizeof kTempSuffix - 1)));
}
