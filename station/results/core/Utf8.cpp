#include "station/results/core/Utf8.h"

#include <cstdint>

#include "contract/RecordLimits.h"

namespace {

constexpr uint32_t kReplacement = 0xFFFD;
constexpr char kReplacementUtf8[] = "\xEF\xBF\xBD";

void AppendCodePoint(std::string& out, uint32_t cp) {
  if (cp < 0x80) {
    out += static_cast<char>(cp);
  } else if (cp < 0x800) {
    out += static_cast<char>(0xC0 | (cp >> 6));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else if (cp < 0x10000) {
    out += static_cast<char>(0xE0 | (cp >> 12));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (cp >> 18));
    out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  }
}

bool IsContinuation(char c) {
  return (static_cast<unsigned char>(c) & 0xC0) == 0x80;
}

// C0 controls and DEL are one byte; the C1 controls U+0080..U+009F are C2 80..C2 9F.
size_t RefusedControlLength(const std::string& text, size_t at) {
  const auto byte = static_cast<unsigned char>(text[at]);
  if (byte < 0x80) {
    return record_limits::IsRefusedControl(byte) ? 1 : 0;
  }
  if (byte == 0xC2 && at + 1 < text.size()) {
    const auto next = static_cast<unsigned char>(text[at + 1]);
    const uint32_t codePoint = ((byte & 0x1Fu) << 6) | (next & 0x3Fu);
    return IsContinuation(text[at + 1]) && record_limits::IsRefusedControl(codePoint) ? 2 : 0;
  }
  return 0;
}

void CutAtCharacter(std::string& text, size_t mostBytes) {
  if (text.size() <= mostBytes) {
    return;
  }
  size_t end = mostBytes;
  while (end > 0 && IsContinuation(text[end])) {
    --end;
  }
  text.resize(end);
}

bool IsHighSurrogate(uint32_t u) {
  return u >= 0xD800 && u <= 0xDBFF;
}
bool IsLowSurrogate(uint32_t u) {
  return u >= 0xDC00 && u <= 0xDFFF;
}

}  // namespace

std::string WideToUtf8(std::wstring_view text) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    // wchar_t is 16 bits on Windows and 32 bits elsewhere; mask to the unit's own width.
    uint32_t unit = static_cast<uint32_t>(text[i]);
    if constexpr (sizeof(wchar_t) == 2) {
      unit &= 0xFFFF;
    }
    if (IsHighSurrogate(unit) && i + 1 < text.size()) {
      uint32_t next = static_cast<uint32_t>(text[i + 1]);
      if constexpr (sizeof(wchar_t) == 2) {
        next &= 0xFFFF;
      }
      if (IsLowSurrogate(next)) {
        AppendCodePoint(out, 0x10000 + ((unit - 0xD800) << 10) + (next - 0xDC00));
        ++i;
        continue;
      }
    }
    if (IsHighSurrogate(unit) || IsLowSurrogate(unit) || unit > 0x10FFFF) {
      unit = kReplacement;
    }
    AppendCodePoint(out, unit);
  }
  return out;
}

size_t SliceEnd(std::wstring_view text, size_t from, size_t most) {
  if (from >= text.size()) {
    return text.size();
  }
  size_t end = text.size() - from <= most ? text.size() : from + (most == 0 ? 1 : most);
  if (end < text.size() && end - from > 1) {
    uint32_t last = static_cast<uint32_t>(text[end - 1]);
    uint32_t next = static_cast<uint32_t>(text[end]);
    if constexpr (sizeof(wchar_t) == 2) {
      last &= 0xFFFF;
      next &= 0xFFFF;
    }
    if (IsHighSurrogate(last) && IsLowSurrogate(next)) {
      --end;
    }
  }
  return end;
}

void FitText(std::string& text, size_t mostBytes) {
  std::string fitted;
  fitted.reserve(text.size());
  for (size_t at = 0; at < text.size();) {
    if (const size_t control = RefusedControlLength(text, at); control > 0) {
      fitted += kReplacementUtf8;
      at += control;
    } else {
      fitted += text[at++];
    }
  }
  CutAtCharacter(fitted, mostBytes);
  text = std::move(fitted);
}
