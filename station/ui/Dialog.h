// A modal dialog made from a dialog resource. The object owns the dialog window while it runs;
// the dialog procedure only dispatches: initialisation, commands and notifications go to the
// member functions below, notifications of subclassed controls are reflected to them first.
//
//   class CountDlg : public ui::Dialog {
//    public:
//     CountDlg() : Dialog(IDD_COUNT) {}
//     int32_t count = 0;
//    protected:
//     void DoDataExchange(ui::DataExchange& dx) override { dx.IntRange(IDC_COUNT, count, 0, 30); }
//   };
//   CountDlg dialog;  if (dialog.DoModal(parent) == IDOK) use(dialog.count);
#pragma once

#include <windows.h>

#include <string>

#include "station/ui/DataExchange.h"

namespace ui {

class Dialog {
 public:
  // `instance` holds the resource; null means the program's own file.
  explicit Dialog(int templateId, HINSTANCE instance = nullptr);
  virtual ~Dialog();
  Dialog(const Dialog&) = delete;
  Dialog& operator=(const Dialog&) = delete;

  // Creates the dialog, disables `parent` while it runs and returns the value given to
  // EndDialog, or -1 when the dialog could not be created.
  INT_PTR DoModal(HWND parent = nullptr);
  // Ends the modal loop; the window is destroyed when DoModal returns.
  void EndDialog(INT_PTR result);

  HWND hwnd() const { return hwnd_; }
  HWND Item(int id) const { return GetDlgItem(hwnd_, id); }
  std::wstring ItemText(int id) const;
  // Leaves a control that shows the text already alone (see WindowText.h).
  void SetItemText(int id, const std::wstring& text);
  void EnableItem(int id, bool enable);
  bool ItemChecked(int id) const;
  void CheckItem(int id, bool checked);

  // Runs the data exchange: true pulls the controls into the members (with validation),
  // false pushes the members into the controls. False when a value did not pass.
  bool UpdateData(bool saveAndValidate = true);

 protected:
  // After the controls exist. Return true to give the focus to the first control.
  virtual bool OnInitDialog();
  // A command from a control, menu or accelerator; true when handled.
  virtual bool OnCommand(int id, int code, HWND control);
  // A notification from a control that did not handle it itself; true when handled.
  virtual bool OnNotify(int id, NMHDR* header, LRESULT& result);
  // IDOK: pull the members and end with IDOK when they pass. IDCANCEL: end with IDCANCEL.
  virtual void OnOK();
  virtual void OnCancel();
  virtual void DoDataExchange(DataExchange& dx);
  // Every message before the dispatch above; set `handled` to answer with the result.
  virtual LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam, bool& handled);
  // Every queued message of the modal loop before dialog navigation; true to drop it.
  virtual bool PreTranslateMessage(MSG& message);
  // When the window is gone.
  virtual void OnDestroyed() {}

 private:
  static INT_PTR CALLBACK DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  INT_PTR Dispatch(UINT message, WPARAM wParam, LPARAM lParam);
  bool Reflect(HWND child, UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);

  int templateId_;
  HINSTANCE instance_;
  HWND hwnd_ = nullptr;
  bool ended_ = false;
  INT_PTR result_ = 0;
};

}  // namespace ui
