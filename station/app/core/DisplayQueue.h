// What the main window shows of a run, in the order the run reported it. A report that the run
// sends (and waits for) is copied into steps and answered at once; the window shows one step per
// posted follow-up message, so no single message does all of a report's display work, and the
// steps keep the order in which the reports came.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <string>

#include "station/app/core/ResultList.h"

enum class DisplayAction {
  ClearSelection,  // a report whose cell the list does not show only clears the selection
  SetCell,         // clears the selection, then the cell's text and colour
  ReplaceDetail,   // the Test Detail box
  SelectRow,
  Message,           // the message line (11139)
  Controls,          // the controls for a state (11140)
  CommText,          // the communication text (11142)
  Status,            // the status panel (11143)
  StartStopEnabled,  // the Start/Stop button enabled or disabled (the worker's posted request)
};

struct DisplayStep {
  DisplayAction action = DisplayAction::ClearSelection;
  int row = -1;        // SetCell, SelectRow
  int32_t column = 0;  // SetCell
  std::wstring text;   // SetCell, ReplaceDetail, Message
  uint32_t color = 0;  // SetCell, Message
  int32_t value = 0;   // Controls, StartStopEnabled: the enable flag; Status: the state
};

class DisplayQueue {
 public:
  // The steps of one cell report, in the order the window shows them: the cell (or only the
  // cleared selection), the Test Detail box for a detail cell, the row selected. Returns how
  // many steps were queued.
  size_t PushCell(const CellUpdate& update);
  void Push(DisplayStep step);
  // The next step to show; false when none is left. A Test Detail text that a text queued later
  // replaces is passed over: nobody would see it.
  bool Pop(DisplayStep& step);
  bool empty() const { return steps_.empty(); }
  void clear();

 private:
  std::deque<DisplayStep> steps_;
  size_t details_ = 0;  // ReplaceDetail steps in steps_
};
