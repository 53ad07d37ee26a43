// Data exchange between a dialog's controls and the members bound to them. Loading pushes the
// members into the controls; saving pulls and validates them. The first value that does not
// pass stops the exchange: the operator is told why (the standard validation messages), the
// control gets the focus with its text selected, and the dialog stays open. A disabled box
// whose value does not pass stops nothing: its member keeps the value it had.
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

namespace ui {

class DataExchange {
 public:
  DataExchange(HWND dialog, bool saveAndValidate);

  bool saving() const { return saving_; }
  bool failed() const { return failed_; }

  // Texts; the buffer form never writes more than `capacity` characters, terminator included.
  void Text(int id, std::wstring& value);
  void Text(int id, wchar_t* buffer, size_t capacity);
  // Numbers, with "Enter an integer." / "Enter a number." for text that is no number.
  void Int(int id, int32_t& value);
  void Float(int id, float& value);
  // The same with an inclusive range, "Enter an integer between %1 and %2." /
  // "Enter a number between %1 and %2." for a value outside it.
  void IntRange(int id, int32_t& value, int32_t minimum, int32_t maximum);
  void FloatRange(int id, float& value, float minimum, float maximum);
  // A check box: 0 unchecked, 1 checked (2 indeterminate).
  void Check(int id, int32_t& value);
  // The selected item of a combo box, -1 for none.
  void ComboIndex(int id, int32_t& value);

  // Where validation messages go: a message box on the dialog by default; tests catch them.
  using MessageSink = std::function<void(HWND dialog, const std::wstring& message)>;
  static void SetMessageSink(MessageSink sink);

 private:
  bool Skip() const { return failed_; }
  void Fail(int id, const std::wstring& message);
  void FailUnlessDisabled(int id, const std::wstring& message);
  std::wstring ItemText(int id) const;
  void SetItemText(int id, const std::wstring& text);

  HWND dialog_;
  bool saving_;
  bool failed_ = false;
};

}  // namespace ui
