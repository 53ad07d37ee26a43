#include "station/ui/WindowText.h"

#include <vector>

namespace ui {

std::wstring WindowText(HWND window) {
  if (window == nullptr) {
    return {};
  }
  const int length = GetWindowTextLengthW(window);
  std::vector<wchar_t> text(static_cast<size_t>(length > 0 ? length : 0) + 1, L'\0');
  const int copied = GetWindowTextW(window, text.data(), static_cast<int>(text.size()));
  return std::wstring(text.data(), static_cast<size_t>(copied > 0 ? copied : 0));
}

void SetTextIfChanged(HWND window, const std::wstring& text) {
  if (window != nullptr && WindowText(window) != text) {
    SetWindowTextW(window, text.c_str());
  }
}

}  // namespace ui
