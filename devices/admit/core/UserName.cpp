#include "UserName.h"

#include <cstdint>

namespace admit {
namespace {

// Decodes one UTF-8 character at text[at]; returns its length, 0 for malformed input
// (overlong forms, surrogates and values above U+10FFFF included).
size_t DecodeUtf8(std::string_view text, size_t at, uint32_t& code) {
  const auto byte = [&](size_t i) { return static_cast<uint8_t>(text[i]); };
  uint8_t lead = byte(at);
  size_t length = 0;
  uint32_t minimum = 0;
  if (lead < 0x80) {
    code = lead;
    return 1;
  } else if ((lead & 0xE0) == 0xC0) {
    length = 2, code = lead & 0x1F, minimum = 0x80;
  } else if ((lead & 0xF0) == 0xE0) {
    length = 3, code = lead & 0x0F, minimum = 0x800;
  } else if ((lead & 0xF8) == 0xF0) {
    length = 4, code = lead & 0x07, minimum = 0x10000;
  } else {
    return 0;
  }
  if (text.size() - at < length) {
    return 0;
  }
  for (size_t i = 1; i < length; ++i) {
    if ((byte(at + i) & 0xC0) != 0x80) {
      return 0;
    }
    code = code << 6 | (byte(at + i) & 0x3F);
  }
  if (code < minimum || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) {
    return 0;
  }
  return length;
}

struct CodeRange {
  uint32_t first;
  uint32_t last;
};

// Characters a name may not get: they draw as nothing, as a blank that is not the space, or
// turn the text around (the bidirectional marks, embeddings, overrides and isolates).
constexpr CodeRange kHiddenCharacters[] = {
    {0x00A0, 0x00A0}, {0x00AD, 0x00AD}, {0x034F, 0x034F},   {0x061C, 0x061C},   {0x115F, 0x1160},
    {0x1680, 0x1680}, {0x17B4, 0x17B5}, {0x180B, 0x180F},   {0x2000, 0x200F},   {0x2028, 0x202F},
    {0x205F, 0x206F}, {0x3000, 0x3000}, {0x3164, 0x3164},   {0xFE00, 0xFE0F},   {0xFEFF, 0xFEFF},
    {0xFFA0, 0xFFA0}, {0xFFF0, 0xFFFB}, {0x1BCA0, 0x1BCA3}, {0x1D173, 0x1D17A}, {0xE0000, 0xE0FFF},
};

bool IsHidden(uint32_t code) {
  for (const CodeRange& range : kHiddenCharacters) {
    if (code >= range.first && code <= range.last) {
      return true;
    }
  }
  return false;
}

std::string CodeText(uint32_t code) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  std::string text;
  for (int shift = code > 0xFFFF ? 16 : 12; shift >= 0; shift -= 4) {
    text += kDigits[(code >> shift) & 0xF];
  }
  return "U+" + text;
}

char LowerLatin(char c) {
  return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

}  // namespace

std::string UserNameProblem(std::string_view name) {
  if (name.empty()) {
    return "the user name is empty";
  }
  if (TrimBlanks(name).size() != name.size()) {
    return "the user name starts or ends with a blank";
  }
  size_t characters = 0;
  for (size_t at = 0; at < name.size();) {
    uint32_t code = 0;
    size_t length = DecodeUtf8(name, at, code);
    if (length == 0) {
      return "the user name is not valid UTF-8 text";
    }
    if (code < 0x20 || (code >= 0x7F && code <= 0x9F)) {
      return "the user name contains a control character";
    }
    at += length;
    ++characters;
  }
  if (characters > kMaxUserNameChars) {
    return "the user name is longer than 32 characters";
  }
  return std::string();
}

std::string NewUserNameProblem(std::string_view name) {
  std::string problem = UserNameProblem(name);
  if (!problem.empty()) {
    return problem;
  }
  for (size_t at = 0; at < name.size();) {
    uint32_t code = 0;
    at += DecodeUtf8(name, at, code);
    if (IsHidden(code)) {
      return "the user name contains an invisible or direction-changing character (" +
             CodeText(code) + ")";
    }
  }
  return std::string();
}

bool SameUserName(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) {
    return false;
  }
  for (size_t i = 0; i < a.size(); ++i) {
    if (LowerLatin(a[i]) != LowerLatin(b[i])) {
      return false;
    }
  }
  return true;
}

std::string_view TrimBlanks(std::string_view text) {
  size_t first = text.find_first_not_of(" \t");
  if (first == std::string_view::npos) {
    return std::string_view();
  }
  size_t last = text.find_last_not_of(" \t");
  return text.substr(first, last - first + 1);
}

}  // namespace admit
