#include "station/controls/core/EditNavigation.h"

#include <algorithm>

namespace controls {

std::optional<CellPosition> NextCell(CellPosition current, int32_t rows, int32_t columns,
                                     bool backward) {
  if (rows <= 0 || columns <= 0) {
    return std::nullopt;
  }
  if (current.row < 0 || current.column < 0 || current.row >= rows || current.column >= columns) {
    return backward ? CellPosition{rows - 1, columns - 1} : CellPosition{0, 0};
  }
  CellPosition next = current;
  if (backward) {
    if (--next.column < 0) {
      next.column = columns - 1;
      --next.row;
    }
  } else if (++next.column >= columns) {
    next.column = 0;
    ++next.row;
  }
  if (next.row < 0 || next.row >= rows) {
    return std::nullopt;
  }
  return next;
}

std::optional<CellPosition> WalkToEditableCell(CellPosition current, int32_t rows, int32_t columns,
                                               bool backward,
                                               const std::function<bool(CellPosition)>& accepts) {
  std::optional<CellPosition> cell = NextCell(current, rows, columns, backward);
  // Every cell is visited at most once: the walk never wraps past either end of the list.
  while (cell && !accepts(*cell)) {
    cell = NextCell(*cell, rows, columns, backward);
  }
  return cell;
}

CellPlacement PlaceCellInView(int32_t left, int32_t right, int32_t clientWidth) {
  CellPlacement placement;
  if (left < 0) {
    placement.scroll = left;
  } else if (right > clientWidth) {
    // Bring the right edge in, but never push the left edge out of view.
    placement.scroll = std::min(right - clientWidth, left);
  }
  placement.left = left - placement.scroll;
  placement.right = std::min(right - placement.scroll, clientWidth - 4);
  return placement;
}

}  // namespace controls
