#include "station/ui/OutOfSight.h"

namespace ui {
namespace {

SCROLLINFO VerticalScroll(HWND control) {
  SCROLLINFO info{};
  info.cbSize = sizeof(info);
  info.fMask = SIF_RANGE | SIF_PAGE | SIF_POS;
  GetScrollInfo(control, SB_VERT, &info);
  return info;
}

}  // namespace

void ChangeOutOfSight(HWND control, const std::function<void()>& change) {
  if (control == nullptr || !IsWindowVisible(control)) {
    change();
    return;
  }
  const SCROLLINFO before = VerticalScroll(control);
  constexpr UINT kQuiet =
      SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOREDRAW | SWP_NOSENDCHANGING;
  SetWindowPos(control, nullptr, 0, 0, 0, 0, kQuiet | SWP_HIDEWINDOW);
  change();
  SetWindowPos(control, nullptr, 0, 0, 0, 0, kQuiet | SWP_SHOWWINDOW);
  const SCROLLINFO after = VerticalScroll(control);
  const bool barMoved = before.nMin != after.nMin || before.nMax != after.nMax ||
                        before.nPage != after.nPage || before.nPos != after.nPos;
  RedrawWindow(control, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | (barMoved ? RDW_FRAME : 0));
}

}  // namespace ui
