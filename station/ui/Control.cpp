#include "station/ui/Control.h"

#include <commctrl.h>

namespace ui {
namespace {

constexpr wchar_t kOwnerProperty[] = L"VarnexControl";
constexpr UINT_PTR kSubclassId = 0x5641524E;  // one subclass of ours per window

}  // namespace

Control::~Control() {
  Unsubclass();
}

bool Control::Subclass(HWND window) {
  if (window == nullptr || hwnd_ != nullptr || FromHandle(window) != nullptr) {
    return false;
  }
  if (!SetWindowSubclass(window, &Control::SubclassProc, kSubclassId,
                         reinterpret_cast<DWORD_PTR>(this))) {
    return false;
  }
  SetPropW(window, kOwnerProperty, this);
  hwnd_ = window;
  OnSubclassed();
  return true;
}

bool Control::SubclassDlgItem(HWND dialog, int id) {
  return Subclass(GetDlgItem(dialog, id));
}

void Control::Unsubclass() {
  if (hwnd_ == nullptr) {
    return;
  }
  RemoveWindowSubclass(hwnd_, &Control::SubclassProc, kSubclassId);
  RemovePropW(hwnd_, kOwnerProperty);
  hwnd_ = nullptr;
}

Control* Control::FromHandle(HWND window) {
  if (window == nullptr) {
    return nullptr;
  }
  return static_cast<Control*>(GetPropW(window, kOwnerProperty));
}

LRESULT Control::OnReflected(UINT, WPARAM, LPARAM, bool& handled) {
  handled = false;
  return 0;
}

LRESULT Control::OnMessage(UINT, WPARAM, LPARAM, bool& handled) {
  handled = false;
  return 0;
}

LRESULT Control::Default(UINT message, WPARAM wParam, LPARAM lParam) {
  return DefSubclassProc(hwnd_, message, wParam, lParam);
}

LRESULT CALLBACK Control::SubclassProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam,
                                       UINT_PTR, DWORD_PTR self) {
  auto* control = reinterpret_cast<Control*>(self);
  if (message == WM_NCDESTROY) {
    LRESULT result = DefSubclassProc(window, message, wParam, lParam);
    control->Unsubclass();
    control->OnDestroyed();
    return result;
  }
  bool handled = false;
  LRESULT result = control->OnMessage(message, wParam, lParam, handled);
  if (handled) {
    return result;
  }
  return DefSubclassProc(window, message, wParam, lParam);
}

}  // namespace ui
