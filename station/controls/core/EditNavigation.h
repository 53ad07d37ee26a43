// Where in-place editing of a list goes: the Tab walk from cell to cell and the horizontal
// scroll that brings a cell into view before its editor is placed over it.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>

namespace controls {

struct CellPosition {
  int32_t row = -1;
  int32_t column = -1;
  bool operator==(const CellPosition&) const = default;
};

// The cell after `current` in reading order (before it with `backward`), wrapping to the
// first column of the next row (last column of the previous row). Without a current cell
// (row or column below 0) the walk starts at the first cell (the last one backward).
// Empty when the walk leaves the list.
std::optional<CellPosition> NextCell(CellPosition current, int32_t rows, int32_t columns,
                                     bool backward);

// Walks from `current` until `accepts` takes a cell; empty when none does before the walk
// leaves the list. `accepts` is asked at most once per cell.
std::optional<CellPosition> WalkToEditableCell(CellPosition current, int32_t rows, int32_t columns,
                                               bool backward,
                                               const std::function<bool(CellPosition)>& accepts);

// A cell spanning [left, right) in client coordinates of a list `clientWidth` wide: how far to
// scroll the list to the right (negative: to the left) so that the cell lies in the client
// area, and where the editor then goes. Its right edge stays 4 pixels inside the client area.
struct CellPlacement {
  int32_t scroll = 0;
  int32_t left = 0;
  int32_t right = 0;
};
CellPlacement PlaceCellInView(int32_t left, int32_t right, int32_t clientWidth);

}  // namespace controls
