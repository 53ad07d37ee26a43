// Watches the messages of the thread on behalf of an in-place editor and tells the list that
// owns it when editing must end (message CListCtrlEx::kEndEditMessage, wParam 1 keep / 0
// discard):
//   - Enter pressed in the editor keeps the text, Escape discards it (both keys are consumed,
//     so a dialog's modal loop never turns them into OK or Cancel);
//   - the editor losing the focus to a window outside it keeps the text;
//   - a mouse button press, a wheel turn or a menu selection anywhere outside the editors keeps
//     the text of every bound editor,
// except while a drop-down of the editor (a combo box list, a date picker calendar) is open.
//
// Sent messages (focus, menu selection, drop-down notifications, destruction) are watched after
// the window procedure has processed them; posted input (keys, buttons, wheel) never passes
// through a window procedure hook, so it is watched as the thread takes it from its queue.
// Both thread hooks are shared by all CMsgHook objects: installed for the thread that creates
// the first one, removed with the last. One process-wide map leads from an editor window to
// its CMsgHook; destroying the editor window removes its entry.
#pragma once

#include <windows.h>

class CMsgHook {
 public:
  // Binds `editor` (and every window inside it) to `list`.
  CMsgHook(HWND editor, HWND list);
  ~CMsgHook();
  CMsgHook(const CMsgHook&) = delete;
  CMsgHook& operator=(const CMsgHook&) = delete;

  HWND editor() const { return editor_; }
  HWND list() const { return list_; }
  bool dropDownOpen() const { return dropDownOpen_; }

  // The hook bound to `editor`, or null.
  static CMsgHook* FromEditor(HWND editor);
  // Whether the thread hooks are installed (while at least one CMsgHook exists).
  static bool Installed();

 private:
  static LRESULT CALLBACK AfterSentMessage(int code, WPARAM wParam, LPARAM lParam);
  static LRESULT CALLBACK TakenMessage(int code, WPARAM wParam, LPARAM lParam);
  static void Watch(const MSG& message, bool posted, bool& consume);

  HWND editor_;
  HWND list_;
  bool dropDownOpen_ = false;
};
