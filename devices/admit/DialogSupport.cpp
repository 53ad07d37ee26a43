#include "DialogSupport.h"

namespace admit {

std::wstring ItemText(HWND dialog, int id) {
  HWND item = GetDlgItem(dialog, id);
  int length = item != nullptr ? GetWindowTextLengthW(item) : 0;
  if (length <= 0) {
    return std::wstring();
  }
  std::wstring text(static_cast<size_t>(length) + 1, L'\0');
  int got = GetWindowTextW(item, text.data(), length + 1);
  text.resize(got > 0 ? static_cast<size_t>(got) : 0);
  return text;
}

void SetItemText(HWND dialog, int id, const std::wstring& text) {
  SetDlgItemTextW(dialog, id, text.c_str());
}

int Notice(HWND owner, const std::wstring& text, UINT flags) {
  return MessageBoxW(owner, text.c_str(), L"Varnex Accounts", flags | MB_SETFOREGROUND);
}

void FocusItem(HWND dialog, int id) {
  SendMessageW(dialog, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(GetDlgItem(dialog, id)), TRUE);
}

}  // namespace admit
