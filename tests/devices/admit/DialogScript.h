// Answers the library's modal dialogs from inside the test process: a thread timer fires in
// whatever modal loop is running, finds the dialog that has the input (the one enabled
// dialog of this thread) and lets the next step of the script fill it and press a button.
// A dialog the script does not expect is cancelled and reported, so a test cannot hang.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

class DialogScript {
 public:
  using Action = std::function<void(HWND dialog)>;

  // The next dialog to appear must have this title; `action` answers it.
  DialogScript& Then(const std::wstring& title, Action action);
  // Runs `call` (which shows the dialogs) and answers them; the call's result.
  int32_t Run(const std::function<int32_t()>& call);

  bool Finished() const { return next_ == steps_.size(); }
  const std::vector<std::wstring>& Problems() const { return problems_; }

  // Helpers for actions.
  static void Fill(HWND dialog, int id, const std::wstring& text);
  static void Press(HWND dialog, int id);
  static std::wstring Text(HWND dialog, int id);
  // All static texts of a dialog (a message box's message), one after the other.
  static std::wstring Message(HWND dialog);

 private:
  static void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD);
  void Step();

  struct Entry {
    std::wstring title;
    Action action;
  };
  std::vector<Entry> steps_;
  size_t next_ = 0;
  std::vector<std::wstring> problems_;
  bool busy_ = false;
};
