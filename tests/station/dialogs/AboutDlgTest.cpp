// The about box on screen: its frame and size, hidden template controls, texts from this
// program's version resource, what it paints (background, picture, icon, texts), and a click
// anywhere closing it as OK.
#include <windows.h>

#include <gtest/gtest.h>

#include <functional>
#include <vector>

#include "station/dialogs/DialogIds.h"
#include "station/dialogs/AboutDlg.h"
#include "station/dialogs/AboutPicture.h"
#include "station/dialogs/core/BitmapImage.h"

namespace {

// Runs `inspect` on the about box once it is shown, from a timer of the modal loop.
std::function<void(HWND)> g_inspect;

BOOL CALLBACK FindShownDialog(HWND window, LPARAM found) {
  wchar_t name[16] = {};
  GetClassNameW(window, name, 16);
  if (IsWindowVisible(window) && std::wstring(name) == L"#32770") {
    *reinterpret_cast<HWND*>(found) = window;
    return FALSE;
  }
  return TRUE;
}

void CALLBACK OnTimer(HWND, UINT, UINT_PTR timer, DWORD) {
  HWND dialog = nullptr;
  EnumThreadWindows(GetCurrentThreadId(), FindShownDialog, reinterpret_cast<LPARAM>(&dialog));
  if (dialog == nullptr) {
    return;
  }
  KillTimer(nullptr, timer);
  g_inspect(dialog);
}

// Ends a box that a click failed to close, so that the test fails instead of hanging.
void CALLBACK OnGiveUp(HWND, UINT, UINT_PTR timer, DWORD) {
  KillTimer(nullptr, timer);
  HWND dialog = nullptr;
  EnumThreadWindows(GetCurrentThreadId(), FindShownDialog, reinterpret_cast<LPARAM>(&dialog));
  if (dialog != nullptr) {
    PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
  }
}

INT_PTR RunAbout(CXAboutDlg& about, std::function<void(HWND)> inspect) {
  g_inspect = std::move(inspect);
  SetTimer(nullptr, 0, 20, OnTimer);
  UINT_PTR giveUp = SetTimer(nullptr, 0, 10000, OnGiveUp);
  INT_PTR result = about.DoModal();
  KillTimer(nullptr, giveUp);
  return result;
}

void ClickAt(HWND dialog, int x, int y) {
  PostMessageW(dialog, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(x, y));
  PostMessageW(dialog, WM_LBUTTONUP, 0, MAKELPARAM(x, y));
}

// What the box paints, captured by letting it erase a memory picture of its size.
struct Painting {
  int width = 0;
  int height = 0;
  std::vector<COLORREF> pixels;
  COLORREF At(int x, int y) const { return pixels[static_cast<size_t>(y) * width + x]; }
  int Count(RECT area, COLORREF colour) const {
    int n = 0;
    for (int y = area.top; y < area.bottom; ++y) {
      for (int x = area.left; x < area.right; ++x) {
        n += At(x, y) == colour ? 1 : 0;
      }
    }
    return n;
  }
};

Painting Capture(HWND dialog) {
  RECT client{};
  GetClientRect(dialog, &client);
  Painting painting;
  painting.width = client.right;
  painting.height = client.bottom;
  HDC screen = GetDC(dialog);
  HDC memory = CreateCompatibleDC(screen);
  HBITMAP target = CreateCompatibleBitmap(screen, painting.width, painting.height);
  HGDIOBJ old = SelectObject(memory, target);
  SendMessageW(dialog, WM_ERASEBKGND, reinterpret_cast<WPARAM>(memory), 0);
  for (int y = 0; y < painting.height; ++y) {
    for (int x = 0; x < painting.width; ++x) {
      painting.pixels.push_back(GetPixel(memory, x, y));
    }
  }
  SelectObject(memory, old);
  DeleteObject(target);
  DeleteDC(memory);
  ReleaseDC(dialog, screen);
  return painting;
}

// The embedded picture's own pixel (x, y), counted from its top row.
COLORREF PicturePixel(int x, int y) {
  HRSRC resource = FindResourceW(nullptr, MAKEINTRESOURCEW(IDB_ABOUT), MAKEINTRESOURCEW(10));
  const auto* image = static_cast<const BYTE*>(LockResource(LoadResource(nullptr, resource)));
  BitmapImageLayout layout;
  EXPECT_TRUE(ReadBitmapImageLayout(image, SizeofResource(nullptr, resource), layout));
  int row = layout.bottomUp ? layout.height - 1 - y : y;
  const BYTE* p = image + layout.pixelOffset + row * layout.rowBytes + x * 3;
  return RGB(p[2], p[1], p[0]);
}

TEST(AboutBox, BorderlessPaintedBoxClosesOnAClick) {
  CXAboutDlg about;
  ASSERT_EQ(about.PictureSize().cx, 380);
  ASSERT_EQ(about.PictureSize().cy, 110);
  RECT windowRect{}, clientRect{}, workArea{};
  LONG_PTR style = 0, exStyle = 0;
  int visibleChildren = 0, children = 0;
  HWND clickTarget = nullptr, boxWindow = nullptr;
  Painting painting;
  INT_PTR result = RunAbout(about, [&](HWND dialog) {
    GetWindowRect(dialog, &windowRect);
    GetClientRect(dialog, &clientRect);
    style = GetWindowLongPtrW(dialog, GWL_STYLE);
    exStyle = GetWindowLongPtrW(dialog, GWL_EXSTYLE);
    for (HWND child = GetWindow(dialog, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
      ++children;
      visibleChildren += IsWindowVisible(child) ? 1 : 0;
    }
    painting = Capture(dialog);
    // On the template's icon: hidden, it leaves the click to the box.
    RECT icon{};
    GetWindowRect(GetWindow(dialog, GW_CHILD), &icon);
    MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&icon), 2);
    POINT onIcon{(icon.left + icon.right) / 2, (icon.top + icon.bottom) / 2};
    clickTarget = ChildWindowFromPointEx(dialog, onIcon, CWP_SKIPINVISIBLE);
    boxWindow = dialog;
    ClickAt(dialog, onIcon.x, onIcon.y);
  });
  EXPECT_EQ(result, IDOK);

  EXPECT_EQ(windowRect.right - windowRect.left, 380);
  EXPECT_EQ(windowRect.bottom - windowRect.top, 210);
  EXPECT_EQ(clientRect.right, 380);
  EXPECT_EQ(clientRect.bottom, 210);
  EXPECT_EQ(style & WS_CAPTION, 0);
  EXPECT_EQ(style & WS_SYSMENU, 0);
  EXPECT_EQ(exStyle & WS_EX_WINDOWEDGE, 0);
  SystemParametersInfoW(SPI_GETWORKAREA, 0, &workArea, 0);
  EXPECT_NEAR((windowRect.left + windowRect.right) / 2, (workArea.left + workArea.right) / 2, 1);
  EXPECT_NEAR((windowRect.top + windowRect.bottom) / 2, (workArea.top + workArea.bottom) / 2, 1);
  EXPECT_EQ(children, 4);
  EXPECT_EQ(visibleChildren, 0);
  EXPECT_EQ(clickTarget, boxWindow);

  // Texts from this program's version resource.
  std::vector<AboutTextItem> items = about.TextItems();
  ASSERT_EQ(items.size(), 3u);
  EXPECT_EQ(items[0].text, L"Check Station Test");
  EXPECT_EQ(items[1].text, L"Version:        17.0.001");
  EXPECT_EQ(items[1].y, 60);
  EXPECT_EQ(items[2].text, L"Copyright (C) test line");
  EXPECT_EQ(items[2].y, 80);

  // What it painted.
  ASSERT_EQ(painting.width, 380);
  ASSERT_EQ(painting.height, 210);
  const COLORREF background = RGB(232, 232, 232);
  EXPECT_EQ(painting.At(379, 0), background);
  EXPECT_EQ(painting.At(5, 95), background);
  for (POINT p : {POINT{0, 0}, POINT{379, 0}, POINT{0, 109}, POINT{379, 109}, POINT{190, 40}}) {
    EXPECT_EQ(painting.At(p.x, 100 + p.y), PicturePixel(p.x, p.y)) << p.x << "," << p.y;
  }
  EXPECT_EQ(painting.At(20 + 9, 35 + 2), RGB(40, 45, 55));  // the phone's body in icon 128
  EXPECT_GT(painting.Count(RECT{70, 20, 380, 56}, RGB(58, 110, 165)), 20);
  EXPECT_GT(painting.Count(RECT{75, 60, 380, 76}, RGB(80, 80, 80)), 10);
  EXPECT_GT(painting.Count(RECT{75, 80, 380, 96}, RGB(80, 80, 80)), 10);
  EXPECT_EQ(painting.Count(RECT{0, 0, 380, 100}, RGB(80, 80, 80)),
            painting.Count(RECT{75, 60, 380, 96}, RGB(80, 80, 80)));
}

TEST(AboutBox, PresetNameAndExtraLine) {
  CXAboutDlg about;
  about.SetProductName(L"Varnex");
  about.SetExtraLine(L"W21.3");
  RECT windowRect{};
  Painting painting;
  INT_PTR result = RunAbout(about, [&](HWND dialog) {
    GetWindowRect(dialog, &windowRect);
    painting = Capture(dialog);
    ClickAt(dialog, 10, 10);
  });
  EXPECT_EQ(result, IDOK);
  EXPECT_EQ(windowRect.right - windowRect.left, 380);
  EXPECT_EQ(windowRect.bottom - windowRect.top, 230);

  std::vector<AboutTextItem> items = about.TextItems();
  ASSERT_EQ(items.size(), 4u);
  EXPECT_EQ(items[0].text, L"Varnex");  // kept, not replaced by the resource's name
  EXPECT_EQ(items[1].text, L"MS Version:  W21.3");
  EXPECT_EQ(items[2].text, L"Version:        17.0.001");
  EXPECT_EQ(items[2].y, 80);
  EXPECT_EQ(items[3].y, 100);
  ASSERT_EQ(painting.height, 230);
  EXPECT_EQ(painting.At(0, 120), PicturePixel(0, 0));
  EXPECT_EQ(painting.At(0, 119), RGB(232, 232, 232));
}

TEST(AboutBox, DamagedPictureIsRefused) {
  HRSRC resource = FindResourceW(nullptr, MAKEINTRESOURCEW(IDB_ABOUT), MAKEINTRESOURCEW(10));
  ASSERT_NE(resource, nullptr);
  const auto* image = static_cast<const BYTE*>(LockResource(LoadResource(nullptr, resource)));
  DWORD bytes = SizeofResource(nullptr, resource);
  SIZE size{};
  HBITMAP whole = CreatePictureFromImage(image, bytes, size);
  ASSERT_NE(whole, nullptr);
  EXPECT_EQ(size.cx, 380);
  DeleteObject(whole);
  EXPECT_EQ(CreatePictureFromImage(image, bytes - 100, size), nullptr);
  EXPECT_EQ(size.cx, 0);
  EXPECT_EQ(LoadAboutPicture(nullptr, 9999, size), nullptr);
}

}  // namespace
