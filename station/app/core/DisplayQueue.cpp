#include "station/app/core/DisplayQueue.h"

#include <utility>

size_t DisplayQueue::PushCell(const CellUpdate& update) {
  if (update.row < 0) {
    Push(DisplayStep{});  // only the cleared selection
    return 1;
  }
  size_t pushed = 0;
  DisplayStep cell;  // without a column to set: only the cleared selection
  if (update.setCell) {
    cell.action = DisplayAction::SetCell;
    cell.row = update.row;
    cell.column = update.column;
    cell.text = update.text;
    cell.color = update.color;
  }
  Push(std::move(cell));
  ++pushed;
  if (update.replaceDetail) {
    DisplayStep detail;
    detail.action = DisplayAction::ReplaceDetail;
    detail.text = update.text;
    Push(std::move(detail));
    ++pushed;
  }
  DisplayStep select;
  select.action = DisplayAction::SelectRow;
  select.row = update.row;
  Push(std::move(select));
  return pushed + 1;
}

void DisplayQueue::Push(DisplayStep step) {
  if (step.action == DisplayAction::ReplaceDetail) {
    ++details_;
  }
  steps_.push_back(std::move(step));
}

bool DisplayQueue::Pop(DisplayStep& step) {
  while (!steps_.empty()) {
    DisplayStep front = std::move(steps_.front());
    steps_.pop_front();
    if (front.action == DisplayAction::ReplaceDetail) {
      --details_;
      if (details_ > 0) {
        continue;
      }
    }
    step = std::move(front);
    return true;
  }
  return false;
}

void DisplayQueue::clear() {
  steps_.clear();
  details_ = 0;
}
