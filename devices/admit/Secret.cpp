#include "Secret.h"

#include <cwchar>

#include "ConstantTime.h"

namespace admit {

void Secret::TakeFrom(HWND edit) {
  Wipe();
  int length = GetWindowTextW(edit, wide_, kMaxPasswordChars + 1);
  chars_ = length > 0 ? static_cast<size_t>(length) : 0;
  // Overwrite the box's own copy with as many fillers before emptying it, so the edit
  // control's buffer does not keep the password either.
  wchar_t filler[kMaxPasswordChars + 1] = {};
  for (size_t i = 0; i < chars_; ++i) {
    filler[i] = L'*';
  }
  SetWindowTextW(edit, filler);
  SetWindowTextW(edit, L"");
  Encode();
}

void Secret::Assign(const wchar_t* text) {
  Wipe();
  size_t length = wcsnlen(text, kMaxPasswordChars + 1);
  if (length > static_cast<size_t>(kMaxPasswordChars)) {
    return;
  }
  std::wmemcpy(wide_, text, length);
  chars_ = length;
  Encode();
}

void Secret::Encode() {
  if (chars_ == 0) {
    return;
  }
  int size =
      WideCharToMultiByte(CP_UTF8, 0, wide_, static_cast<int>(chars_),
                          reinterpret_cast<char*>(utf8_), sizeof utf8_ - 1, nullptr, nullptr);
  utf8Size_ = size > 0 ? static_cast<size_t>(size) : 0;
}

void Secret::Wipe() {
  SecureZeroMemory(wide_, sizeof wide_);
  SecureZeroMemory(utf8_, sizeof utf8_);
  chars_ = 0;
  utf8Size_ = 0;
}

bool Secret::SameAs(const Secret& other) const {
  bool sameSize = utf8Size_ == other.utf8Size_;
  bool sameBytes = EqualInConstantTime(utf8_, other.utf8_, sizeof utf8_);
  return sameSize && sameBytes;
}

}  // namespace admit
