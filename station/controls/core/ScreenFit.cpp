#include "station/controls/core/ScreenFit.h"

namespace controls {

bool TaskbarIsVertical(const Box& workArea, int32_t screenWidth) {
  return workArea.left > 0 || workArea.width() < screenWidth;
}

Extent AvailableSize(bool verticalTaskbar, Extent screen, Extent taskbar, int32_t captionHeight) {
  if (verticalTaskbar) {
    return {screen.width - taskbar.width, screen.height - captionHeight};
  }
  return {screen.width, screen.height - taskbar.height - captionHeight};
}

SizeRatios WindowRatios(Extent window, Extent available) {
  SizeRatios ratios;
  if (window.width > available.width && window.width > 0) {
    ratios.width = static_cast<double>(available.width) / window.width - 0.01;
    ratios.scalingNeeded = true;
  }
  if (window.height > available.height && window.height > 0) {
    ratios.height = static_cast<double>(available.height) / window.height - 0.01;
    ratios.scalingNeeded = true;
  }
  return ratios;
}

Extent ShrunkWindow(Extent window, const SizeRatios& ratios, int32_t borderHeight) {
  return {static_cast<int32_t>(window.width * ratios.width),
          static_cast<int32_t>(window.height * ratios.height) - 3 * borderHeight};
}

PositionRatios ControlRatios(Extent shrunk, int32_t largestRight, int32_t largestBottom,
                             int32_t captionHeight, PositionRatios current) {
  PositionRatios ratios = current;
  if (largestBottom > 0 && shrunk.height < largestBottom) {
    ratios.vertical = static_cast<double>(shrunk.height - captionHeight - 10) / largestBottom;
  }
  if (largestRight > 0 && shrunk.width < largestRight) {
    ratios.horizontal = static_cast<double>(shrunk.width - 10) / largestRight;
  }
  return ratios;
}

Box PlaceControl(const Box& control, const PositionRatios& ratios) {
  return {static_cast<int32_t>(control.left * ratios.horizontal),
          static_cast<int32_t>(control.top * ratios.vertical),
          static_cast<int32_t>(control.right * ratios.horizontal),
          static_cast<int32_t>(control.bottom * ratios.vertical)};
}

int32_t ScaledFontHeight(int32_t height, double heightRatio) {
  return static_cast<int32_t>(height * heightRatio);
}

}  // namespace controls
