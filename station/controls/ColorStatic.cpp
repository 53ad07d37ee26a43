#include "station/controls/ColorStatic.h"

#include <string>

CColorStatic::CColorStatic()
    : textColor_(GetSysColor(COLOR_BTNTEXT)),
      backgroundColor_(GetSysColor(COLOR_BTNFACE)),
      brush_(CreateSolidBrush(backgroundColor_)) {
  font_ = CreateFontW(10, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, 0, OUT_DEFAULT_PRECIS,
                      CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, 32, L"Courier");
}

CColorStatic::~CColorStatic() {
  // The window must not keep a font that is about to go.
  if (hwnd() != nullptr && font_ != nullptr &&
      reinterpret_cast<HFONT>(SendMessageW(hwnd(), WM_GETFONT, 0, 0)) == font_) {
    SendMessageW(hwnd(), WM_SETFONT, 0, FALSE);
  }
  Unsubclass();
  if (font_ != nullptr) {
    DeleteObject(font_);
  }
  if (brush_ != nullptr) {
    DeleteObject(brush_);
  }
}

void CColorStatic::OnSubclassed() {
  if (font_ != nullptr) {
    SendMessageW(hwnd(), WM_SETFONT, reinterpret_cast<WPARAM>(font_), TRUE);
  }
}

void CColorStatic::SetTextColor(COLORREF color) {
  const COLORREF text = color == kDefaultColor ? GetSysColor(COLOR_BTNTEXT) : color;
  if (text == textColor_) {
    return;  // nothing to repaint
  }
  textColor_ = text;
  Repaint();
}

void CColorStatic::SetBackgroundColor(COLORREF color) {
  const COLORREF background = color == kDefaultColor ? GetSysColor(COLOR_BTNFACE) : color;
  if (background == backgroundColor_ && brush_ != nullptr) {
    return;  // nothing to repaint
  }
  backgroundColor_ = background;
  HBRUSH brush = CreateSolidBrush(backgroundColor_);
  if (brush != nullptr) {
    if (brush_ != nullptr) {
      DeleteObject(brush_);
    }
    brush_ = brush;
  }
  Repaint();
}

bool CColorStatic::SetFont(std::wstring_view face, int width, int height, int weight) {
  LOGFONTW description{};
  description.lfHeight = height;
  description.lfWidth = width;
  description.lfWeight = weight;
  description.lfCharSet = 0;
  description.lfPitchAndFamily = 32;
  // A face name longer than the field holds is cut, never overrun.
  size_t length = face.size() < LF_FACESIZE - 1 ? face.size() : LF_FACESIZE - 1;
  face.copy(description.lfFaceName, length);
  description.lfFaceName[length] = L'\0';
  HFONT font = CreateFontIndirectW(&description);
  if (font == nullptr) {
    return false;
  }
  if (hwnd() != nullptr) {
    SendMessageW(hwnd(), WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
  }
  if (font_ != nullptr) {
    DeleteObject(font_);
  }
  font_ = font;
  Repaint();
  return true;
}

LRESULT CColorStatic::OnReflected(UINT message, WPARAM wParam, LPARAM, bool& handled) {
  if (message != WM_CTLCOLORSTATIC) {
    handled = false;
    return 0;
  }
  HDC dc = reinterpret_cast<HDC>(wParam);
  ::SetTextColor(dc, textColor_);
  ::SetBkColor(dc, backgroundColor_);
  handled = true;
  return reinterpret_cast<LRESULT>(brush_);
}

void CColorStatic::Repaint() {
  if (hwnd() != nullptr) {
    InvalidateRect(hwnd(), nullptr, TRUE);
    UpdateWindow(hwnd());
  }
}
