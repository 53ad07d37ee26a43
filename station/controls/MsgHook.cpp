#include "station/controls/MsgHook.h"

#include <commctrl.h>

#include <map>
#include <mutex>
#include <vector>

#include "station/controls/ListCtrlEx.h"

namespace {

struct HookTable {
  std::mutex lock;
  std::map<HWND, CMsgHook*> byEditor;  // every bound editor of the process
  int hooks = 0;                       // CMsgHook objects alive
  HHOOK afterSent = nullptr;
  HHOOK taken = nullptr;
};

HookTable& Table() {
  static HookTable table;
  return table;
}

// The editor that `window` belongs to (itself or an ancestor), or null.
HWND EditorOf(HWND window, const std::map<HWND, CMsgHook*>& byEditor) {
  for (HWND at = window; at != nullptr; at = GetParent(at)) {
    if (byEditor.count(at) != 0) {
      return at;
    }
    if ((GetWindowLongPtrW(at, GWL_STYLE) & WS_CHILD) == 0) {
      break;
    }
  }
  return nullptr;
}

bool IsButtonOrWheel(UINT message) {
  switch (message) {
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
    case WM_RBUTTONDBLCLK:
    case WM_MBUTTONDBLCLK:
    case WM_NCLBUTTONDOWN:
    case WM_NCRBUTTONDOWN:
    case WM_NCMBUTTONDOWN:
    case WM_NCLBUTTONDBLCLK:
    case WM_MOUSEWHEEL:
    case WM_MOUSEHWHEEL:
      return true;
    default:
      return false;
  }
}

void EndEditing(HWND list, bool keep) {
  if (IsWindow(list)) {
    SendMessageW(list, CListCtrlEx::kEndEditMessage, keep ? 1 : 0, 0);
  }
}

}  // namespace

CMsgHook::CMsgHook(HWND editor, HWND list) : editor_(editor), list_(list) {
  HookTable& table = Table();
  std::lock_guard<std::mutex> guard(table.lock);
  if (table.hooks++ == 0) {
    DWORD thread = GetCurrentThreadId();
    table.afterSent =
        SetWindowsHookExW(WH_CALLWNDPROCRET, &CMsgHook::AfterSentMessage, nullptr, thread);
    table.taken = SetWindowsHookExW(WH_GETMESSAGE, &CMsgHook::TakenMessage, nullptr, thread);
  }
  if (editor_ != nullptr) {
    table.byEditor[editor_] = this;
  }
}

CMsgHook::~CMsgHook() {
  HookTable& table = Table();
  std::lock_guard<std::mutex> guard(table.lock);
  auto entry = table.byEditor.find(editor_);
  if (entry != table.byEditor.end() && entry->second == this) {
    table.byEditor.erase(entry);
  }
  if (--table.hooks == 0) {
    if (table.afterSent != nullptr) {
      UnhookWindowsHookEx(table.afterSent);
    }
    if (table.taken != nullptr) {
      UnhookWindowsHookEx(table.taken);
    }
    table.afterSent = nullptr;
    table.taken = nullptr;
  }
}

CMsgHook* CMsgHook::FromEditor(HWND editor) {
  HookTable& table = Table();
  std::lock_guard<std::mutex> guard(table.lock);
  auto entry = table.byEditor.find(editor);
  return entry != table.byEditor.end() ? entry->second : nullptr;
}

bool CMsgHook::Installed() {
  HookTable& table = Table();
  std::lock_guard<std::mutex> guard(table.lock);
  return table.afterSent != nullptr && table.taken != nullptr;
}

LRESULT CALLBACK CMsgHook::AfterSentMessage(int code, WPARAM wParam, LPARAM lParam) {
  // The next hook first: what follows may end an edit and remove these hooks.
  LRESULT result = CallNextHookEx(nullptr, code, wParam, lParam);
  if (code == HC_ACTION) {
    const auto& sent = *reinterpret_cast<const CWPRETSTRUCT*>(lParam);
    MSG message{sent.hwnd, sent.message, sent.wParam, sent.lParam, 0, {}};
    bool consume = false;
    Watch(message, false, consume);
  }
  return result;
}

LRESULT CALLBACK CMsgHook::TakenMessage(int code, WPARAM wParam, LPARAM lParam) {
  LRESULT result = CallNextHookEx(nullptr, code, wParam, lParam);
  if (code == HC_ACTION && wParam == PM_REMOVE) {
    auto& message = *reinterpret_cast<MSG*>(lParam);
    bool consume = false;
    Watch(message, true, consume);
    if (consume) {
      message.message = WM_NULL;  // the key has done its work: nobody else sees it
    }
  }
  return result;
}

void CMsgHook::Watch(const MSG& message, bool posted, bool& consume) {
  // Decide under the lock, act after it: ending an edit destroys hooks.
  std::vector<std::pair<HWND, bool>> endings;  // list, keep
  {
    HookTable& table = Table();
    std::lock_guard<std::mutex> guard(table.lock);
    if (table.byEditor.empty() && message.message != WM_DESTROY) {
      return;
    }
    HWND editor = EditorOf(message.hwnd, table.byEditor);
    CMsgHook* hook = editor != nullptr ? table.byEditor[editor] : nullptr;
    switch (message.message) {
      case WM_KEYDOWN:
        if (posted && hook != nullptr &&
            (message.wParam == VK_RETURN || message.wParam == VK_ESCAPE)) {
          endings.emplace_back(hook->list_, message.wParam == VK_RETURN);
          consume = true;
        }
        break;
      case WM_KILLFOCUS:
        if (!posted && hook != nullptr && !hook->dropDownOpen_) {
          HWND gaining = reinterpret_cast<HWND>(message.wParam);
          if (EditorOf(gaining, table.byEditor) != editor) {
            endings.emplace_back(hook->list_, true);
          }
        }
        break;
      case WM_COMMAND: {
        HWND from = EditorOf(reinterpret_cast<HWND>(message.lParam), table.byEditor);
        UINT code = HIWORD(message.wParam);
        if (!posted && from != nullptr && (code == CBN_DROPDOWN || code == CBN_CLOSEUP)) {
          table.byEditor[from]->dropDownOpen_ = code == CBN_DROPDOWN;
        }
        break;
      }
      case WM_NOTIFY: {
        const auto* header = reinterpret_cast<const NMHDR*>(message.lParam);
        HWND from = header != nullptr ? EditorOf(header->hwndFrom, table.byEditor) : nullptr;
        if (!posted && from != nullptr &&
            (header->code == DTN_DROPDOWN || header->code == DTN_CLOSEUP)) {
          table.byEditor[from]->dropDownOpen_ = header->code == DTN_DROPDOWN;
        }
        break;
      }
      case WM_DESTROY:
        if (!posted) {
          auto entry = table.byEditor.find(message.hwnd);
          if (entry != table.byEditor.end()) {
            table.byEditor.erase(entry);
          }
        }
        break;
      default:
        if ((posted && IsButtonOrWheel(message.message)) ||
            (!posted && message.message == WM_MENUSELECT)) {
          if (editor == nullptr) {
            for (const auto& [boundEditor, bound] : table.byEditor) {
              if (!bound->dropDownOpen_) {
                endings.emplace_back(bound->list_, true);
              }
            }
          }
        }
        break;
    }
  }
  for (const auto& [list, keep] : endings) {
    EndEditing(list, keep);
  }
}
