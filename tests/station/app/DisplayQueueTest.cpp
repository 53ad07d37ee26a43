// The order in which the main window shows a run's reports when each report is split into
// steps shown by messages of their own.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "station/app/core/DisplayQueue.h"
#include "station/app/core/ResultList.h"

namespace {

// One line per step: "cell 1 3 +CME ERROR: 10", "detail +CME ERROR: 10", "select 1", ...
std::vector<std::string> Shown(DisplayQueue& queue) {
  std::vector<std::string> lines;
  DisplayStep step;
  while (queue.Pop(step)) {
    const std::string text(step.text.begin(), step.text.end());
    switch (step.action) {
      case DisplayAction::ClearSelection:
        lines.push_back("clear selection");
        break;
      case DisplayAction::SetCell:
        lines.push_back("cell " + std::to_string(step.row) + " " + std::to_string(step.column) +
                        " " + text);
        break;
      case DisplayAction::ReplaceDetail:
        lines.push_back("detail " + text);
        break;
      case DisplayAction::SelectRow:
        lines.push_back("select " + std::to_string(step.row));
        break;
      case DisplayAction::Message:
        lines.push_back("message " + text);
        break;
      case DisplayAction::Controls:
        lines.push_back("controls " + std::to_string(step.value));
        break;
      case DisplayAction::CommText:
        lines.push_back("comm");
        break;
      case DisplayAction::Status:
        lines.push_back("status " + std::to_string(step.value));
        break;
      case DisplayAction::StartStopEnabled:
        lines.push_back("button " + std::to_string(step.value));
        break;
    }
  }
  return lines;
}

DisplayStep Step(DisplayAction action, const std::wstring& text = L"", int32_t value = 0) {
  DisplayStep step;
  step.action = action;
  step.text = text;
  step.value = value;
  return step;
}

class DisplayQueueTest : public testing::Test {
 protected:
  void SetUp() override {
    CheckSettings settings{};
    settings.checkSimCard = 1;
    settings.checkTCard = 1;
    list = BuildResultList(settings);
  }
  size_t Report(const std::wstring& name, int32_t column, const std::wstring& text) {
    return queue.PushCell(ResolveCell(list.rowIndex, name, column, text, 0x0000FF));
  }
  ResultList list;
  DisplayQueue queue;
};

TEST_F(DisplayQueueTest, ReportsSplitIntoStepsKeepTheirOrderAmongTheRunsMessages) {
  queue.Push(Step(DisplayAction::Message, L"Phone is connected, waiting for checking..."));
  queue.Push(Step(DisplayAction::CommText));
  EXPECT_EQ(Report(L"SIM Card", 3, L"+CME ERROR: 10"), 3u);
  EXPECT_EQ(Report(L"SIM Card", 2, L"FAIL"), 2u);
  EXPECT_EQ(Report(L"Calibration Flag", 2, L"PASS"), 1u);  // not in the list
  EXPECT_EQ(Report(L"T Card", 7, L"x"), 2u);               // no such column
  queue.Push(Step(DisplayAction::Status, L"", 4));
  queue.Push(Step(DisplayAction::Message, L"Finished!"));
  queue.Push(Step(DisplayAction::StartStopEnabled, L"", 1));
  queue.Push(Step(DisplayAction::Controls, L"", 1));
  EXPECT_EQ(Shown(queue), (std::vector<std::string>{
                              "message Phone is connected, waiting for checking...",
                              "comm",
                              "cell 0 3 +CME ERROR: 10",
                              "detail +CME ERROR: 10",
                              "select 0",
                              "cell 0 2 FAIL",
                              "select 0",
                              "clear selection",
                              "clear selection",
                              "select 1",
                              "status 4",
                              "message Finished!",
                              "button 1",
                              "controls 1",
                          }));
  EXPECT_TRUE(queue.empty());
}

TEST_F(DisplayQueueTest, OnlyTheLastOfTheWaitingDetailTextsReachesTheBox) {
  Report(L"SIM Card", 3, L"first");
  Report(L"T Card", 3, L"second");
  DisplayStep step;
  ASSERT_TRUE(queue.Pop(step));
  EXPECT_EQ(step.action, DisplayAction::SetCell);
  // The first row's detail text would be replaced before anyone saw it; its cell stays.
  Report(L"SIM Card", 2, L"PASS");
  EXPECT_EQ(Shown(queue), (std::vector<std::string>{
                              "select 0",
                              "cell 1 3 second",
                              "detail second",
                              "select 1",
                              "cell 0 2 PASS",
                              "select 0",
                          }));
  // Once shown, the next detail text is shown as well, also after the queue was emptied.
  Report(L"T Card", 3, L"third");
  queue.clear();
  Report(L"T Card", 3, L"fourth");
  EXPECT_EQ(Shown(queue),
            (std::vector<std::string>{"cell 1 3 fourth", "detail fourth", "select 1"}));
  EXPECT_FALSE(queue.Pop(step));
}

}  // namespace
