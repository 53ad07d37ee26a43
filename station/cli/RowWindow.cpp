#include "station/cli/RowWindow.h"

#include <cwchar>
#include <string>

#include "station/cli/core/RowPrinter.h"
#include "station/engine/RowReport.h"

namespace {

constexpr wchar_t kClassName[] = L"VarnexCliRows";

// The report's texts are fixed-size fields; never read past them.
std::wstring Field(const wchar_t* text, size_t capacity) {
  return std::wstring(text, wcsnlen(text, capacity));
}

}  // namespace

RowWindow::RowWindow(RowPrinter& printer) : printer_(printer) {
  HINSTANCE instance = GetModuleHandleW(nullptr);
  WNDCLASSEXW windowClass{};
  windowClass.cbSize = sizeof(windowClass);
  windowClass.lpfnWndProc = &RowWindow::WindowProc;
  windowClass.hInstance = instance;
  windowClass.lpszClassName = kClassName;
  RegisterClassExW(&windowClass);  // already registered is fine
  window_ =
      CreateWindowExW(0, kClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, instance, this);
}

RowWindow::~RowWindow() {
  if (window_ != nullptr) {
    DestroyWindow(window_);
  }
}

LRESULT CALLBACK RowWindow::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE) {
    auto* create = reinterpret_cast<CREATESTRUCTW*>(lParam);
    SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
  }
  auto* self = reinterpret_cast<RowWindow*>(GetWindowLongPtrW(window, GWLP_USERDATA));
  if (message == kRowReportMessage && self != nullptr) {
    self->OnRowReport(lParam);
    return 0;
  }
  return DefWindowProcW(window, message, wParam, lParam);
}

void RowWindow::OnRowReport(LPARAM lParam) {
  const auto* report = reinterpret_cast<const RowReport*>(lParam);
  if (report == nullptr) {
    return;
  }
  printer_.OnCell(Field(report->itemName, std::size(report->itemName)), report->column,
                  Field(report->text, std::size(report->text)));
}
