// A child control owned by a C++ object: the object subclasses the control's window and sees
// every message before the control's own procedure. The parent dialog reflects notifications
// (WM_NOTIFY, WM_COMMAND codes, WM_CTLCOLOR*, WM_DRAWITEM) back to the control that sent them,
// so custom drawing and colours live in the control class, not in every dialog.
#pragma once

#include <windows.h>

namespace ui {

class Control {
 public:
  Control() = default;
  virtual ~Control();
  Control(const Control&) = delete;
  Control& operator=(const Control&) = delete;

  // Takes over an existing window; false when it is null or already owned by another object.
  bool Subclass(HWND window);
  bool SubclassDlgItem(HWND dialog, int id);
  // Gives the window back to its own procedure; the object no longer sees its messages.
  void Unsubclass();

  HWND hwnd() const { return hwnd_; }
  int id() const { return hwnd_ != nullptr ? GetDlgCtrlID(hwnd_) : 0; }

  // The object that owns `window`, or null.
  static Control* FromHandle(HWND window);

  // A notification the parent reflects back: `message` is the parent's message (WM_NOTIFY,
  // WM_COMMAND, WM_CTLCOLORSTATIC, ...). Set `handled` to keep the parent from handling it;
  // the result is then the parent's answer (for WM_CTLCOLOR* the brush).
  virtual LRESULT OnReflected(UINT message, WPARAM wParam, LPARAM lParam, bool& handled);

 protected:
  // Every message of the control before its own procedure. Set `handled` to skip the
  // control's procedure and answer with the result.
  virtual LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam, bool& handled);
  // Called once the object owns the window: the place to set the window up.
  virtual void OnSubclassed() {}
  // Called once the window is gone (after WM_NCDESTROY), before the object lets go of it.
  virtual void OnDestroyed() {}
  // The control's own procedure.
  LRESULT Default(UINT message, WPARAM wParam, LPARAM lParam);

 private:
  static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  HWND hwnd_ = nullptr;
  WNDPROC original_ = nullptr;
};

}  // namespace ui
