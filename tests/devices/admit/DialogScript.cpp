#include "DialogScript.h"

namespace {

DialogScript* running = nullptr;

struct Search {
  HWND found = nullptr;
};

BOOL CALLBACK FindInputDialog(HWND window, LPARAM context) {
  wchar_t className[32] = {};
  GetClassNameW(window, className, 32);
  if (std::wstring(className) == L"#32770" && IsWindowVisible(window) && IsWindowEnabled(window)) {
    reinterpret_cast<Search*>(context)->found = window;
    return FALSE;
  }
  return TRUE;
}

BOOL CALLBACK CollectStatic(HWND child, LPARAM context) {
  wchar_t className[32] = {};
  GetClassNameW(child, className, 32);
  if (_wcsicmp(className, L"Static") == 0) {
    wchar_t text[1024] = {};
    GetWindowTextW(child, text, 1024);
    *reinterpret_cast<std::wstring*>(context) += text;
  }
  return TRUE;
}

}  // namespace

DialogScript& DialogScript::Then(const std::wstring& title, Action action) {
  steps_.push_back({title, std::move(action)});
  return *this;
}

int32_t DialogScript::Run(const std::function<int32_t()>& call) {
  running = this;
  UINT_PTR timer = SetTimer(nullptr, 0, 100, Tick);
  int32_t result = call();
  KillTimer(nullptr, timer);
  running = nullptr;
  if (!Finished()) {
    problems_.push_back(L"the call returned before step " + std::to_wstring(next_ + 1) + L" (" +
                        steps_[next_].title + L")");
  }
  return result;
}

void CALLBACK DialogScript::Tick(HWND, UINT, UINT_PTR, DWORD) {
  if (running != nullptr && !running->busy_) {
    running->busy_ = true;
    running->Step();
    running->busy_ = false;
  }
}

void DialogScript::Step() {
  Search search;
  EnumThreadWindows(GetCurrentThreadId(), FindInputDialog, reinterpret_cast<LPARAM>(&search));
  HWND dialog = search.found;
  if (dialog == nullptr) {
    return;
  }
  // A posted button is handled before the next tick (timer messages come only when the
  // queue is empty), so the dialog found now shows the outcome of the previous step.
  wchar_t title[128] = {};
  GetWindowTextW(dialog, title, 128);
  if (next_ >= steps_.size()) {
    problems_.push_back(L"unexpected dialog \"" + std::wstring(title) + L"\": " + Message(dialog));
    PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
    return;
  }
  if (steps_[next_].title != title) {
    problems_.push_back(L"step " + std::to_wstring(next_ + 1) + L" expected \"" +
                        steps_[next_].title + L"\" but \"" + title + L"\" is shown: " +
                        Message(dialog));
    PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
    return;
  }
  steps_[next_++].action(dialog);
}

void DialogScript::Fill(HWND dialog, int id, const std::wstring& text) {
  SetDlgItemTextW(dialog, id, text.c_str());
}

void DialogScript::Press(HWND dialog, int id) {
  PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
               reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
}

std::wstring DialogScript::Text(HWND dialog, int id) {
  wchar_t text[1024] = {};
  GetDlgItemTextW(dialog, id, text, 1024);
  return text;
}

std::wstring DialogScript::Message(HWND dialog) {
  std::wstring text;
  EnumChildWindows(dialog, CollectStatic, reinterpret_cast<LPARAM>(&text));
  return text;
}
