#include "station/controls/DlgAdjustByResolution.h"

#include "station/controls/core/ScreenFit.h"

namespace {

// Shared by every adapted dialog of the process; the window thread alone touches them.
CDlgAdjustByResolution::Ratios g_ratios;
HWND g_firstDialog = nullptr;

controls::Box ToBox(const RECT& rect) {
  return {rect.left, rect.top, rect.right, rect.bottom};
}

// A direct child's rectangle in its dialog's client coordinates.
RECT ChildRect(HWND dialog, HWND control) {
  RECT rect{};
  GetWindowRect(control, &rect);
  MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&rect), 2);
  return rect;
}

template <typename Visit>
void ForEachChild(HWND dialog, Visit visit) {
  for (HWND child = GetWindow(dialog, GW_CHILD); child != nullptr;
       child = GetWindow(child, GW_HWNDNEXT)) {
    visit(child);
  }
}

// The taskbar: a top-level "Shell_TrayWnd" window without a title.
controls::Extent TaskbarSize() {
  HWND taskbar = FindWindowW(L"Shell_TrayWnd", L"");
  RECT rect{};
  if (taskbar == nullptr || !GetWindowRect(taskbar, &rect)) {
    return {};
  }
  return {rect.right - rect.left, rect.bottom - rect.top};
}

}  // namespace

CDlgAdjustByResolution::~CDlgAdjustByResolution() {
  for (OwnedFont& owned : fonts_) {
    DeleteObject(owned.font);
  }
}

CDlgAdjustByResolution::Ratios CDlgAdjustByResolution::CurrentRatios() {
  return g_ratios;
}

HWND CDlgAdjustByResolution::FirstAdaptedDialog() {
  return g_firstDialog;
}

void CDlgAdjustByResolution::ResetProcessLayout() {
  g_ratios = Ratios{};
  g_firstDialog = nullptr;
}

void CDlgAdjustByResolution::Adjust(HWND dialog) {
  dialog_ = dialog;
  scalingNeeded_ = false;
  if (dialog == nullptr) {
    return;
  }
  if (g_firstDialog != nullptr && g_firstDialog != dialog) {
    if (g_ratios.horizontal != 1.0 || g_ratios.vertical != 1.0) {
      PlaceAllControls();
    }
    return;
  }
  g_firstDialog = dialog;

  RECT workArea{};
  SystemParametersInfoW(SPI_GETWORKAREA, 0, &workArea, 0);
  controls::Extent screen{GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
  int caption = GetSystemMetrics(SM_CYCAPTION);
  bool vertical = controls::TaskbarIsVertical(ToBox(workArea), screen.width);
  controls::Extent available = controls::AvailableSize(vertical, screen, TaskbarSize(), caption);

  RECT window{};
  GetWindowRect(dialog, &window);
  controls::Extent windowSize{window.right - window.left, window.bottom - window.top};
  controls::SizeRatios sizeRatios = controls::WindowRatios(windowSize, available);
  if (!sizeRatios.scalingNeeded) {
    return;
  }
  scalingNeeded_ = true;
  g_ratios.width = sizeRatios.width;
  g_ratios.height = sizeRatios.height;

  largestBottom_ = 0;
  largestRight_ = 0;
  ForEachChild(dialog, [this](HWND child) { MeasureControl(child); });

  controls::Extent shrunk =
      controls::ShrunkWindow(windowSize, sizeRatios, GetSystemMetrics(SM_CYBORDER));
  ShowWindow(dialog, SW_HIDE);
  SetWindowPos(dialog, nullptr, 0, 0, shrunk.width, shrunk.height,
               SWP_NOZORDER | SWP_NOACTIVATE | SWP_HIDEWINDOW);

  controls::PositionRatios before{g_ratios.horizontal, g_ratios.vertical};
  controls::PositionRatios after =
      controls::ControlRatios(shrunk, largestRight_, largestBottom_, caption, before);
  g_ratios.horizontal = after.horizontal;
  g_ratios.vertical = after.vertical;
  if (after.horizontal != before.horizontal || after.vertical != before.vertical) {
    PlaceAllControls();
  }
}

void CDlgAdjustByResolution::Finish() {
  if (dialog_ == nullptr) {
    return;
  }
  if (scalingNeeded_) {
    ForEachChild(dialog_, [this](HWND child) { ScaleControlFont(child); });
  }
  InvalidateRect(dialog_, nullptr, TRUE);
}

void CDlgAdjustByResolution::PlaceAllControls() {
  ForEachChild(dialog_, [this](HWND child) { PlaceControl(child); });
}

void CDlgAdjustByResolution::MeasureControl(HWND control) {
  RECT rect = ChildRect(dialog_, control);
  if (rect.bottom > largestBottom_) {
    largestBottom_ = rect.bottom;
  }
  if (rect.right > largestRight_) {
    largestRight_ = rect.right;
  }
}

void CDlgAdjustByResolution::PlaceControl(HWND control) {
  controls::Box placed = controls::PlaceControl(ToBox(ChildRect(dialog_, control)),
                                                {g_ratios.horizontal, g_ratios.vertical});
  MoveWindow(control, placed.left, placed.top, placed.width(), placed.height(), TRUE);
}

void CDlgAdjustByResolution::ScaleControlFont(HWND control) {
  HFONT current = reinterpret_cast<HFONT>(SendMessageW(control, WM_GETFONT, 0, 0));
  if (current == nullptr) {
    current = static_cast<HFONT>(GetStockObject(SYSTEM_FONT));
  }
  LOGFONTW description{};
  if (GetObjectW(current, sizeof(description), &description) == 0) {
    return;
  }
  description.lfHeight = controls::ScaledFontHeight(description.lfHeight, g_ratios.height);
  HFONT font = nullptr;
  for (const OwnedFont& owned : fonts_) {
    if (owned.height == description.lfHeight && owned.face == description.lfFaceName) {
      font = owned.font;
      break;
    }
  }
  if (font == nullptr) {
    font = CreateFontIndirectW(&description);
    if (font == nullptr) {
      return;
    }
    fonts_.push_back({font, description.lfHeight, description.lfFaceName});
  }
  SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
}
