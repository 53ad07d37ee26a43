// A password as typed: held in fixed buffers that are wiped when it goes, never copied into
// growing strings, never written anywhere.
#pragma once

#include <cstddef>
#include <cstdint>

#include <windows.h>

namespace admit {

inline constexpr int kMaxPasswordChars = 128;
inline constexpr int kMinPasswordChars = 8;

class Secret {
 public:
  Secret() = default;
  ~Secret() { Wipe(); }
  Secret(const Secret&) = delete;
  Secret& operator=(const Secret&) = delete;

  // Takes the text of a password edit box and empties the box.
  void TakeFrom(HWND edit);
  // For callers that hold the text already (tests); longer text is refused as empty.
  void Assign(const wchar_t* text);
  void Wipe();

  size_t Chars() const { return chars_; }
  const uint8_t* Utf8() const { return utf8_; }
  size_t Utf8Size() const { return utf8Size_; }
  // Same text; takes as long wherever the texts differ.
  bool SameAs(const Secret& other) const;

 private:
  void Encode();

  wchar_t wide_[kMaxPasswordChars + 1] = {};
  uint8_t utf8_[kMaxPasswordChars * 3 + 1] = {};
  size_t chars_ = 0;
  size_t utf8Size_ = 0;
};

}  // namespace admit
