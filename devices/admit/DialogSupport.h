// Small helpers shared by the library's dialogs: the dialog procedure that hands messages to
// a dialog object, control texts and message boxes.
#pragma once

#include <string>

#include <windows.h>

namespace admit {

// The dialog object comes as the creation parameter and is kept in DWLP_USER; every message
// after that goes to its Handle member.
template <class Dialog>
INT_PTR CALLBACK DialogProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_INITDIALOG) {
    SetWindowLongPtrW(window, DWLP_USER, lParam);
  }
  auto* dialog = reinterpret_cast<Dialog*>(GetWindowLongPtrW(window, DWLP_USER));
  return dialog != nullptr ? dialog->Handle(window, message, wParam, lParam) : FALSE;
}

std::wstring ItemText(HWND dialog, int id);
void SetItemText(HWND dialog, int id, const std::wstring& text);
// Message box over `owner` with the library's caption; returns the button pressed.
int Notice(HWND owner, const std::wstring& text, UINT flags);
// Puts the focus on a control of a dialog, as the Tab key would.
void FocusItem(HWND dialog, int id);

}  // namespace admit
