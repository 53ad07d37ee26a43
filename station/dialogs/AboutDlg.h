// The about box (dialog 100): a borderless box painted by hand with the product name, the
// version and the legal notice from the version resource above the embedded picture. A left
// click anywhere closes it.
//
//   CXAboutDlg about;  about.SetProductName(L"Varnex");  about.DoModal(owner);
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "station/dialogs/core/AboutLayout.h"
#include "station/ui/Dialog.h"

class CXAboutDlg : public ui::Dialog {
 public:
  // `instance` holds the dialog template, the picture and the icon; null: the program's file.
  explicit CXAboutDlg(HINSTANCE instance = nullptr);
  ~CXAboutDlg() override;

  // Shown instead of the resource's product name; set before DoModal.
  void SetProductName(const std::wstring& name) { texts_.productName = name; }
  // An optional line above the version; makes the box 20 pixels taller.
  void SetExtraLine(const std::wstring& line) { texts_.extraLine = line; }

  const AboutTexts& texts() const { return texts_; }
  // What the box draws, in drawing order.
  std::vector<AboutTextItem> TextItems() const { return LayOutAboutTexts(texts_); }
  // The picture's size; 0 x 0 when the embedded image is missing or damaged.
  SIZE PictureSize() const { return pictureSize_; }

 protected:
  bool OnInitDialog() override;
  LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam, bool& handled) override;

 private:
  void RemoveFrame();
  void ReadVersionTexts();
  void HideTemplateControls();
  void Paint(HDC dc);

  HINSTANCE instance_;
  HBITMAP picture_ = nullptr;
  SIZE pictureSize_{0, 0};
  HICON icon_ = nullptr;
  HBRUSH background_ = nullptr;
  AboutTexts texts_;
};
