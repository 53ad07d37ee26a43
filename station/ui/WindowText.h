// A control's text as the window layer reads and writes it.
#pragma once

#include <windows.h>

#include <string>

namespace ui {

// The whole text; empty for no window.
std::wstring WindowText(HWND window);
// Sets the text unless the window shows it already: an unchanged text is not sent again, so the
// control is not laid out and painted anew, and an edit box keeps its caret and scroll position.
void SetTextIfChanged(HWND window, const std::wstring& text);

}  // namespace ui
