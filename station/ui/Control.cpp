#include "station/ui/Control.h"

#include <mutex>
#include <unordered_map>

namespace ui {
namespace {

// Every subclassed window with its owner and the procedure it had before. The owner is found
// here rather than in a window property or through the common controls' subclassing, which
// reads a property on every message: under Wine each such read is a round trip to the window
// server, and a list painting its cells sends hundreds of messages.
struct Subclassed {
  Control* owner = nullptr;  // null: the owner let go while another procedure sat on top of ours
  WNDPROC original = nullptr;
};

std::mutex& TableLock() {
  static std::mutex lock;
  return lock;
}

std::unordered_map<HWND, Subclassed>& Table() {
  static std::unordered_map<HWND, Subclassed> table;
  return table;
}

bool Find(HWND window, Subclassed& found) {
  std::lock_guard<std::mutex> hold(TableLock());
  auto entry = Table().find(window);
  if (entry == Table().end()) {
    return false;
  }
  found = entry->second;
  return true;
}

}  // namespace

Control::~Control() {
  Unsubclass();
}

bool Control::Subclass(HWND window) {
  if (window == nullptr || hwnd_ != nullptr) {
    return false;
  }
  {
    std::lock_guard<std::mutex> hold(TableLock());
    auto entry = Table().find(window);
    if (entry != Table().end()) {
      if (entry->second.owner != nullptr) {
        return false;
      }
      // Our procedure is still in place from an earlier owner: take it over.
      entry->second.owner = this;
      original_ = entry->second.original;
    } else {
      auto original = reinterpret_cast<WNDPROC>(SetWindowLongPtrW(
          window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&Control::WindowProc)));
      if (original == nullptr) {
        return false;
      }
      Table()[window] = Subclassed{this, original};
      original_ = original;
    }
  }
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
  std::lock_guard<std::mutex> hold(TableLock());
  auto entry = Table().find(hwnd_);
  if (entry != Table().end()) {
    const auto ours = reinterpret_cast<LONG_PTR>(&Control::WindowProc);
    if (GetWindowLongPtrW(hwnd_, GWLP_WNDPROC) == ours) {
      SetWindowLongPtrW(hwnd_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(entry->second.original));
      Table().erase(entry);
    } else {
      // A procedure installed after ours still calls it: it goes on forwarding until the
      // window is destroyed.
      entry->second.owner = nullptr;
    }
  }
  hwnd_ = nullptr;
}

Control* Control::FromHandle(HWND window) {
  Subclassed found;
  return window != nullptr && Find(window, found) ? found.owner : nullptr;
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
  return CallWindowProcW(original_, hwnd_, message, wParam, lParam);
}

LRESULT CALLBACK Control::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  Subclassed entry;
  if (!Find(window, entry)) {
    return DefWindowProcW(window, message, wParam, lParam);
  }
  if (message == WM_NCDESTROY) {
    LRESULT result = CallWindowProcW(entry.original, window, message, wParam, lParam);
    {
      std::lock_guard<std::mutex> hold(TableLock());
      Table().erase(window);
    }
    if (entry.owner != nullptr) {
      entry.owner->hwnd_ = nullptr;
      entry.owner->OnDestroyed();
    }
    return result;
  }
  if (entry.owner != nullptr) {
    bool handled = false;
    LRESULT result = entry.owner->OnMessage(message, wParam, lParam, handled);
    if (handled) {
      return result;
    }
  }
  return CallWindowProcW(entry.original, window, message, wParam, lParam);
}

}  // namespace ui
