// A static text in its own colours and font. The parent dialog reflects the static's colour
// request (WM_CTLCOLORSTATIC) to it; it answers with its colours and background brush.
// Initially button-text colour on button-face colour, in "Courier" of height 10.
//
//   CColorStatic status;
//   status.SubclassDlgItem(dialog, IDC_STATUS);
//   status.SetFont(L"Tahoma", 0, 30, FW_BOLD);
//   status.SetBackgroundColor(0x008000);
#pragma once

#include <windows.h>

#include <string_view>

#include "station/ui/Control.h"

class CColorStatic : public ui::Control {
 public:
  static constexpr COLORREF kDefaultColor = static_cast<COLORREF>(-1);

  CColorStatic();
  ~CColorStatic() override;

  // kDefaultColor means the system's button text / button face colour. Both repaint when the
  // colour changes.
  void SetTextColor(COLORREF color);
  void SetBackgroundColor(COLORREF color);
  // Replaces the control's font (character set 0, pitch and family 32), deleting the one it
  // made before, and repaints. False when the font cannot be made; the old one then stays.
  bool SetFont(std::wstring_view face, int width, int height, int weight);

  COLORREF textColor() const { return textColor_; }
  COLORREF backgroundColor() const { return backgroundColor_; }
  HBRUSH backgroundBrush() const { return brush_; }
  HFONT font() const { return font_; }

  LRESULT OnReflected(UINT message, WPARAM wParam, LPARAM lParam, bool& handled) override;

 protected:
  void OnSubclassed() override;

 private:
  void Repaint();

  COLORREF textColor_;
  COLORREF backgroundColor_;
  HBRUSH brush_ = nullptr;
  HFONT font_ = nullptr;
};
