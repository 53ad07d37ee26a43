#include "station/dialogs/AboutDlg.h"

#include "station/dialogs/DialogIds.h"
#include "station/dialogs/AboutPicture.h"
#include "station/dialogs/ModuleVersionInfo.h"
#include "station/dialogs/core/VersionText.h"

namespace {

COLORREF ToColorRef(uint32_t colour) {
  return static_cast<COLORREF>(colour);
}

HFONT CreateAboutFont(AboutFont font) {
  AboutFontSpec spec = AboutFontOf(font);
  return CreateFontW(spec.height, 0, 0, 0, spec.weight, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                     OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                     DEFAULT_PITCH | FF_SWISS, spec.face);
}

std::wstring TextOrEmpty(const wchar_t* text) {
  return text != nullptr ? text : L"";
}

}  // namespace

CXAboutDlg::CXAboutDlg(HINSTANCE instance)
    : Dialog(IDD_ABOUTBOX, instance),
      instance_(instance != nullptr ? instance : GetModuleHandleW(nullptr)) {
  picture_ = LoadAboutPicture(instance_, IDB_ABOUT, pictureSize_);
  icon_ = LoadIconW(instance_, MAKEINTRESOURCEW(IDR_MAINFRAME));
}

CXAboutDlg::~CXAboutDlg() {
  if (picture_ != nullptr) {
    DeleteObject(picture_);
  }
  if (background_ != nullptr) {
    DeleteObject(background_);
  }
}

void CXAboutDlg::RemoveFrame() {
  LONG_PTR style = GetWindowLongPtrW(hwnd(), GWL_STYLE);
  SetWindowLongPtrW(hwnd(), GWL_STYLE, style & ~static_cast<LONG_PTR>(WS_CAPTION | WS_SYSMENU));
  LONG_PTR exStyle = GetWindowLongPtrW(hwnd(), GWL_EXSTYLE);
  SetWindowLongPtrW(hwnd(), GWL_EXSTYLE, exStyle & ~static_cast<LONG_PTR>(WS_EX_WINDOWEDGE));
  SetWindowPos(hwnd(), nullptr, 0, 0, 0, 0,
               SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
}

void CXAboutDlg::ReadVersionTexts() {
  ModuleVersionInfo info;
  if (!info.Load()) {
    return;
  }
  ProductVersionParts parts = SplitProductVersion(TextOrEmpty(info.Query(L"ProductVersion")));
  texts_.versionHead = parts.head;
  texts_.buildText = FormatAboutBuild(parts.build);
  texts_.legalNotice = TextOrEmpty(info.Query(L"LegalCopyright"));
  if (texts_.productName.empty()) {
    texts_.productName = TextOrEmpty(info.Query(L"ProductName"));
  }
  texts_.specialBuild = TrimWhiteSpace(TextOrEmpty(info.Query(L"SpecialBuild")));
}

void CXAboutDlg::HideTemplateControls() {
  for (HWND child = GetWindow(hwnd(), GW_CHILD); child != nullptr;
       child = GetWindow(child, GW_HWNDNEXT)) {
    ShowWindow(child, SW_HIDE);
  }
}

bool CXAboutDlg::OnInitDialog() {
  RemoveFrame();
  if (background_ == nullptr) {
    background_ = CreateSolidBrush(ToColorRef(kAboutBackground));
  }
  ReadVersionTexts();

  AboutSize size = AboutWindowSize(pictureSize_.cx, pictureSize_.cy, texts_);
  HWND owner = GetWindow(hwnd(), GW_OWNER);
  RECT area{};
  if (owner != nullptr && IsWindowVisible(owner)) {
    GetWindowRect(owner, &area);
  } else {
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &area, 0);
  }
  int x = area.left + (area.right - area.left - size.width) / 2;
  int y = area.top + (area.bottom - area.top - size.height) / 2;
  SetWindowPos(hwnd(), nullptr, x, y, size.width, size.height, SWP_NOZORDER | SWP_NOACTIVATE);

  HideTemplateControls();
  return true;
}

void CXAboutDlg::Paint(HDC dc) {
  RECT client{};
  GetClientRect(hwnd(), &client);
  FillRect(dc, &client, background_);

  if (picture_ != nullptr) {
    HDC pictureDc = CreateCompatibleDC(dc);
    HGDIOBJ old = SelectObject(pictureDc, picture_);
    BitBlt(dc, 0, AboutPictureTop(texts_), pictureSize_.cx, pictureSize_.cy, pictureDc, 0, 0,
           SRCCOPY);
    SelectObject(pictureDc, old);
    DeleteDC(pictureDc);
  }
  if (icon_ != nullptr) {
    DrawIcon(dc, kAboutIconX, kAboutIconY, icon_);
  }

  HFONT nameFont = CreateAboutFont(AboutFont::kProductName);
  HFONT textFont = CreateAboutFont(AboutFont::kText);
  HGDIOBJ oldFont = SelectObject(dc, textFont);
  int oldMode = SetBkMode(dc, TRANSPARENT);
  COLORREF oldColour = GetTextColor(dc);
  for (const AboutTextItem& item : TextItems()) {
    SelectObject(dc, item.font == AboutFont::kProductName ? nameFont : textFont);
    SetTextColor(dc, ToColorRef(item.colour));
    TextOutW(dc, item.x, item.y, item.text.c_str(), static_cast<int>(item.text.size()));
  }
  SetTextColor(dc, oldColour);
  SetBkMode(dc, oldMode);
  SelectObject(dc, oldFont);
  DeleteObject(nameFont);
  DeleteObject(textFont);
}

LRESULT CXAboutDlg::OnMessage(UINT message, WPARAM wParam, LPARAM, bool& handled) {
  switch (message) {
    case WM_ERASEBKGND:
      Paint(reinterpret_cast<HDC>(wParam));
      handled = true;
      return TRUE;
    case WM_LBUTTONDOWN:
      EndDialog(IDOK);
      handled = true;
      return 0;
    default:
      handled = false;
      return 0;
  }
}
