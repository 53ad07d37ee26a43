#include "station/ui/Dialog.h"

#include "station/ui/Control.h"
#include "station/ui/WindowText.h"

namespace ui {
namespace {

// Messages whose answer a dialog procedure returns directly instead of in DWLP_MSGRESULT.
bool AnswersDirectly(UINT message) {
  switch (message) {
    case WM_CTLCOLORMSGBOX:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORDLG:
    case WM_CTLCOLORSCROLLBAR:
    case WM_CTLCOLORSTATIC:
    case WM_COMPAREITEM:
    case WM_VKEYTOITEM:
    case WM_CHARTOITEM:
    case WM_QUERYDRAGICON:
    case WM_INITDIALOG:
      return true;
    default:
      return false;
  }
}

}  // namespace

Dialog::Dialog(int templateId, HINSTANCE instance)
    : templateId_(templateId),
      instance_(instance != nullptr ? instance : GetModuleHandleW(nullptr)) {}

Dialog::~Dialog() {
  if (hwnd_ != nullptr) {
    DestroyWindow(hwnd_);
  }
}

INT_PTR Dialog::DoModal(HWND parent) {
  ended_ = false;
  result_ = -1;
  bool parentWasEnabled = parent != nullptr && IsWindowEnabled(parent);
  if (parentWasEnabled) {
    EnableWindow(parent, FALSE);
  }
  HWND window = CreateDialogParamW(instance_, MAKEINTRESOURCEW(templateId_), parent,
                                   &Dialog::DialogProc, reinterpret_cast<LPARAM>(this));
  if (window != nullptr && !ended_) {
    ShowWindow(window, SW_SHOW);
  }
  MSG message;
  while (window != nullptr && !ended_) {
    BOOL got = GetMessageW(&message, nullptr, 0, 0);
    if (got == 0) {
      // Leave the quit request for the loop that owns it.
      PostQuitMessage(static_cast<int>(message.wParam));
      break;
    }
    if (got == -1) {
      break;
    }
    if (PreTranslateMessage(message) || IsDialogMessageW(window, &message)) {
      continue;
    }
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
  // The owner is enabled before the dialog goes, so that it, not another program, is activated.
  if (parentWasEnabled) {
    EnableWindow(parent, TRUE);
  }
  if (hwnd_ != nullptr) {
    DestroyWindow(hwnd_);
  }
  return window != nullptr ? result_ : -1;
}

void Dialog::EndDialog(INT_PTR result) {
  result_ = result;
  ended_ = true;
  if (hwnd_ != nullptr) {
    ShowWindow(hwnd_, SW_HIDE);
    PostMessageW(hwnd_, WM_NULL, 0, 0);  // wakes the modal loop
  }
}

std::wstring Dialog::ItemText(int id) const {
  return WindowText(Item(id));
}

void Dialog::SetItemText(int id, const std::wstring& text) {
  SetTextIfChanged(Item(id), text);
}

void Dialog::EnableItem(int id, bool enable) {
  if (HWND item = Item(id)) {
    EnableWindow(item, enable ? TRUE : FALSE);
  }
}

bool Dialog::ItemChecked(int id) const {
  return IsDlgButtonChecked(hwnd_, id) == BST_CHECKED;
}

void Dialog::CheckItem(int id, bool checked) {
  CheckDlgButton(hwnd_, id, checked ? BST_CHECKED : BST_UNCHECKED);
}

bool Dialog::UpdateData(bool saveAndValidate) {
  DataExchange dx(hwnd_, saveAndValidate);
  DoDataExchange(dx);
  return !dx.failed();
}

bool Dialog::OnInitDialog() {
  UpdateData(false);
  return true;
}

bool Dialog::OnCommand(int, int, HWND) {
  return false;
}

bool Dialog::OnNotify(int, NMHDR*, LRESULT&) {
  return false;
}

void Dialog::OnOK() {
  if (UpdateData(true)) {
    EndDialog(IDOK);
  }
}

void Dialog::OnCancel() {
  EndDialog(IDCANCEL);
}

void Dialog::DoDataExchange(DataExchange&) {}

LRESULT Dialog::OnMessage(UINT, WPARAM, LPARAM, bool& handled) {
  handled = false;
  return 0;
}

bool Dialog::PreTranslateMessage(MSG&) {
  return false;
}

bool Dialog::Reflect(HWND child, UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
  Control* control = Control::FromHandle(child);
  if (control == nullptr) {
    return false;
  }
  bool handled = false;
  result = control->OnReflected(message, wParam, lParam, handled);
  return handled;
}

INT_PTR Dialog::Dispatch(UINT message, WPARAM wParam, LPARAM lParam) {
  bool handled = false;
  LRESULT result = OnMessage(message, wParam, lParam, handled);
  if (!handled) {
    switch (message) {
      case WM_INITDIALOG:
        return OnInitDialog() ? TRUE : FALSE;
      case WM_COMMAND: {
        HWND control = reinterpret_cast<HWND>(lParam);
        if (control != nullptr && Reflect(control, message, wParam, lParam, result)) {
          handled = true;
          break;
        }
        int id = LOWORD(wParam);
        if (OnCommand(id, HIWORD(wParam), control)) {
          handled = true;
        } else if (id == IDOK) {
          OnOK();
          handled = true;
        } else if (id == IDCANCEL) {
          OnCancel();
          handled = true;
        }
        break;
      }
      case WM_NOTIFY: {
        auto* header = reinterpret_cast<NMHDR*>(lParam);
        handled = Reflect(header->hwndFrom, message, wParam, lParam, result) ||
                  OnNotify(static_cast<int>(header->idFrom), header, result);
        break;
      }
      case WM_CTLCOLOREDIT:
      case WM_CTLCOLORLISTBOX:
      case WM_CTLCOLORBTN:
      case WM_CTLCOLORSCROLLBAR:
      case WM_CTLCOLORSTATIC:
        handled = Reflect(reinterpret_cast<HWND>(lParam), message, wParam, lParam, result);
        break;
      case WM_DRAWITEM:
        handled = Reflect(reinterpret_cast<DRAWITEMSTRUCT*>(lParam)->hwndItem, message, wParam,
                          lParam, result);
        break;
      case WM_SYSCOLORCHANGE:
        // Only top-level windows hear of it; controls that paint in system colours need it too.
        for (HWND child = GetWindow(hwnd_, GW_CHILD); child != nullptr;
             child = GetWindow(child, GW_HWNDNEXT)) {
          SendMessageW(child, WM_SYSCOLORCHANGE, wParam, lParam);
        }
        break;
      case WM_MEASUREITEM:
        handled = Reflect(Item(static_cast<int>(wParam)), message, wParam, lParam, result);
        break;
      default:
        break;
    }
  }
  if (!handled) {
    return FALSE;
  }
  if (AnswersDirectly(message)) {
    return static_cast<INT_PTR>(result);
  }
  // Writing a window value is a round trip to the window server under Wine; a list's custom
  // drawing answers every row alike, so an unchanged answer is left as it is.
  if (GetWindowLongPtrW(hwnd_, DWLP_MSGRESULT) != result) {
    SetWindowLongPtrW(hwnd_, DWLP_MSGRESULT, result);
  }
  return TRUE;
}

INT_PTR CALLBACK Dialog::DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_INITDIALOG) {
    auto* dialog = reinterpret_cast<Dialog*>(lParam);
    SetWindowLongPtrW(window, DWLP_USER, lParam);
    dialog->hwnd_ = window;
  }
  auto* dialog = reinterpret_cast<Dialog*>(GetWindowLongPtrW(window, DWLP_USER));
  if (dialog == nullptr) {
    return FALSE;
  }
  if (message == WM_NCDESTROY) {
    SetWindowLongPtrW(window, DWLP_USER, 0);
    dialog->hwnd_ = nullptr;
    dialog->OnDestroyed();
    return FALSE;
  }
  return dialog->Dispatch(message, wParam, lParam);
}

}  // namespace ui
