// A change to a visible control that the control would otherwise lay out and draw step by
// step, its scroll bars above all (a new text of a multi-line edit box, a list scrolled back).
#pragma once

#include <windows.h>

#include <functional>

namespace ui {

// Runs `change` while `control` is hidden, without uncovering what lies beneath it, then shows
// it again unpainted: the control is painted whole with the window's next paint, its frame
// (the scroll bar) too when the vertical scroll range or position changed. Hidden, the change
// costs only its own work.
void ChangeOutOfSight(HWND control, const std::function<void()>& change);

}  // namespace ui
