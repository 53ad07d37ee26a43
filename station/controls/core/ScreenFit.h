// The arithmetic that shrinks a dialog larger than the screen: the space left beside the
// taskbar, the size ratios of the window, the position ratios of its controls and where each
// control goes.
#pragma once

#include <cstdint>

namespace controls {

struct Box {
  int32_t left = 0;
  int32_t top = 0;
  int32_t right = 0;
  int32_t bottom = 0;
  int32_t width() const { return right - left; }
  int32_t height() const { return bottom - top; }
  bool operator==(const Box&) const = default;
};

struct Extent {
  int32_t width = 0;
  int32_t height = 0;
  bool operator==(const Extent&) const = default;
};

// The taskbar stands at a side when the work area does not start at the left edge of the
// screen or is narrower than it; otherwise it lies along the top or bottom.
bool TaskbarIsVertical(const Box& workArea, int32_t screenWidth);

// The room a dialog's window may take: the screen less the taskbar (beside or below it) and
// less one caption height.
Extent AvailableSize(bool verticalTaskbar, Extent screen, Extent taskbar, int32_t captionHeight);

// Window ratios 1.0 unless the window is larger than the room: then room / window − 0.01.
struct SizeRatios {
  double width = 1.0;
  double height = 1.0;
  bool scalingNeeded = false;
};
SizeRatios WindowRatios(Extent window, Extent available);

// The shrunk window: width × width ratio and height × height ratio − 3 borders, truncated.
Extent ShrunkWindow(Extent window, const SizeRatios& ratios, int32_t borderHeight);

// Position ratios for the controls of a shrunk window whose controls reach down to
// `largestBottom` and right to `largestRight` (client coordinates). A ratio stays as given
// unless the window became smaller than the controls' extent in that direction.
struct PositionRatios {
  double horizontal = 1.0;
  double vertical = 1.0;
};
PositionRatios ControlRatios(Extent shrunk, int32_t largestRight, int32_t largestBottom,
                             int32_t captionHeight, PositionRatios current);

// A control's rectangle with its edges multiplied by the ratios, truncated toward zero.
Box PlaceControl(const Box& control, const PositionRatios& ratios);

// A font height multiplied by the height ratio, truncated toward zero.
int32_t ScaledFontHeight(int32_t height, double heightRatio);

}  // namespace controls
