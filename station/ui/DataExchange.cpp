#include "station/ui/DataExchange.h"

#include <cwchar>
#include <utility>

#include "station/ui/ProgramName.h"
#include "station/ui/WindowText.h"
#include "station/ui/core/NumberText.h"

namespace ui {
namespace {

DataExchange::MessageSink& Sink() {
  static DataExchange::MessageSink sink;
  return sink;
}

}  // namespace

DataExchange::DataExchange(HWND dialog, bool saveAndValidate)
    : dialog_(dialog), saving_(saveAndValidate) {}

void DataExchange::SetMessageSink(MessageSink sink) {
  Sink() = std::move(sink);
}

std::wstring DataExchange::ItemText(int id) const {
  return WindowText(GetDlgItem(dialog_, id));
}

void DataExchange::SetItemText(int id, const std::wstring& text) {
  SetTextIfChanged(GetDlgItem(dialog_, id), text);
}

void DataExchange::Fail(int id, const std::wstring& message) {
  failed_ = true;
  if (Sink()) {
    Sink()(dialog_, message);
  } else {
    MessageBoxW(dialog_, message.c_str(), ProgramName().c_str(), MB_OK | MB_ICONEXCLAMATION);
  }
  if (HWND item = GetDlgItem(dialog_, id)) {
    SetFocus(item);
    SendMessageW(item, EM_SETSEL, 0, -1);
  }
}

void DataExchange::FailUnlessDisabled(int id, const std::wstring& message) {
  // The operator cannot correct a disabled box, so its value does not stop the dialog: the
  // member keeps what it had.
  HWND item = GetDlgItem(dialog_, id);
  if (item != nullptr && !IsWindowEnabled(item)) {
    return;
  }
  Fail(id, message);
}

void DataExchange::Text(int id, std::wstring& value) {
  if (Skip()) {
    return;
  }
  if (saving_) {
    value = ItemText(id);
  } else {
    SetItemText(id, value);
  }
}

void DataExchange::Text(int id, wchar_t* buffer, size_t capacity) {
  if (Skip() || buffer == nullptr || capacity == 0) {
    return;
  }
  if (saving_) {
    std::wstring text = ItemText(id);
    size_t count = text.size() < capacity - 1 ? text.size() : capacity - 1;
    wmemcpy(buffer, text.data(), count);
    buffer[count] = L'\0';
  } else {
    SetItemText(id, std::wstring(buffer, wcsnlen(buffer, capacity)));
  }
}

void DataExchange::Int(int id, int32_t& value) {
  if (Skip()) {
    return;
  }
  if (!saving_) {
    SetItemText(id, std::to_wstring(value));
    return;
  }
  int32_t parsed = 0;
  if (!ParseIntText(ItemText(id), parsed)) {
    FailUnlessDisabled(id, kEnterInteger);
    return;
  }
  value = parsed;
}

void DataExchange::Float(int id, float& value) {
  if (Skip()) {
    return;
  }
  if (!saving_) {
    SetItemText(id, FormatFloatText(value));
    return;
  }
  double parsed = 0;
  if (!ParseRealText(ItemText(id), parsed)) {
    FailUnlessDisabled(id, kEnterNumber);
    return;
  }
  value = static_cast<float>(parsed);
}

void DataExchange::IntRange(int id, int32_t& value, int32_t minimum, int32_t maximum) {
  int32_t candidate = value;
  Int(id, candidate);
  if (Skip() || !saving_) {
    return;
  }
  if (candidate < minimum || candidate > maximum) {
    FailUnlessDisabled(id, FillPlaceholders(kEnterIntegerBetween, std::to_wstring(minimum),
                                            std::to_wstring(maximum)));
    return;
  }
  value = candidate;
}

void DataExchange::FloatRange(int id, float& value, float minimum, float maximum) {
  float candidate = value;
  Float(id, candidate);
  if (Skip() || !saving_) {
    return;
  }
  if (!(candidate >= minimum && candidate <= maximum)) {
    FailUnlessDisabled(id, FillPlaceholders(kEnterNumberBetween, FormatFloatText(minimum),
                                            FormatFloatText(maximum)));
    return;
  }
  value = candidate;
}

void DataExchange::Check(int id, int32_t& value) {
  if (Skip()) {
    return;
  }
  if (saving_) {
    value = static_cast<int32_t>(IsDlgButtonChecked(dialog_, id));
  } else {
    CheckDlgButton(dialog_, id, static_cast<UINT>(value));
  }
}

void DataExchange::ComboIndex(int id, int32_t& value) {
  if (Skip()) {
    return;
  }
  if (saving_) {
    value = static_cast<int32_t>(SendDlgItemMessageW(dialog_, id, CB_GETCURSEL, 0, 0));
  } else {
    SendDlgItemMessageW(dialog_, id, CB_SETCURSEL, static_cast<WPARAM>(value), 0);
  }
}

}  // namespace ui
