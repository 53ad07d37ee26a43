#include "RowRecorder.h"

namespace {
const wchar_t kClassName[] = L"VarnexRowRecorder";
}

RowRecorder::RowRecorder() {
  WNDCLASSW windowClass{};
  windowClass.lpfnWndProc = WindowProc;
  windowClass.hInstance = GetModuleHandleW(nullptr);
  windowClass.lpszClassName = kClassName;
  RegisterClassW(&windowClass);  // fails harmlessly when already registered
  window_ = CreateWindowExW(0, kClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                            GetModuleHandleW(nullptr), nullptr);
  SetWindowLongPtrW(window_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
}

RowRecorder::~RowRecorder() {
  if (window_ != nullptr) {
    DestroyWindow(window_);
  }
}

LRESULT CALLBACK RowRecorder::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == kRowReportMessage) {
    auto* self = reinterpret_cast<RowRecorder*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (self != nullptr && lParam != 0) {
      self->reports_.push_back(*reinterpret_cast<const RowReport*>(lParam));
    }
    return 0;
  }
  return DefWindowProcW(window, message, wParam, lParam);
}

const RowReport* RowRecorder::Last(const std::wstring& item, int column) const {
  for (auto it = reports_.rbegin(); it != reports_.rend(); ++it) {
    if (it->column == column && item == it->itemName) {
      return &*it;
    }
  }
  return nullptr;
}

bool RowRecorder::HasCell(const std::wstring& item, int column) const {
  return Last(item, column) != nullptr;
}

std::wstring RowRecorder::Text(const std::wstring& item, int column) const {
  const RowReport* report = Last(item, column);
  return report != nullptr ? std::wstring(report->text) : std::wstring();
}

uint32_t RowRecorder::Color(const std::wstring& item, int column) const {
  const RowReport* report = Last(item, column);
  return report != nullptr ? report->color : 0xFFFFFFFFu;
}

int RowRecorder::CountFor(const std::wstring& item) const {
  int count = 0;
  for (const RowReport& report : reports_) {
    count += item == report.itemName ? 1 : 0;
  }
  return count;
}

std::vector<std::wstring> RowRecorder::ResultOrder() const {
  std::vector<std::wstring> order;
  for (const RowReport& report : reports_) {
    if (report.column == kColumnResult) {
      order.emplace_back(report.itemName);
    }
  }
  return order;
}
