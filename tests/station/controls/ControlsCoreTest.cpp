// The arithmetic behind the station's controls: column headings, the one line a list cell draws,
// the Tab walk of in-place editing with the scroll that shows a cell, and the shrinking of a
// dialog to the screen.
#include <gtest/gtest.h>

#include <climits>
#include <optional>
#include <set>
#include <vector>

#include "station/controls/core/CellText.h"
#include "station/controls/core/EditNavigation.h"
#include "station/controls/core/Headings.h"
#include "station/controls/core/ScreenFit.h"

namespace {

using controls::CellPosition;

TEST(Headings, ResultListColumnsInOrderWithTheirWidths) {
  auto columns = controls::ParseHeadings(L"Item,120;Expected Value,200;Result,65;Test Detail,185");
  ASSERT_EQ(columns.size(), 4u);
  EXPECT_EQ(columns[0].name, L"Item");
  EXPECT_EQ(columns[0].width, 120);
  EXPECT_EQ(columns[1].name, L"Expected Value");
  EXPECT_EQ(columns[1].width, 200);
  EXPECT_EQ(columns[2].name, L"Result");
  EXPECT_EQ(columns[2].width, 65);
  EXPECT_EQ(columns[3].name, L"Test Detail");
  EXPECT_EQ(columns[3].width, 185);
}

TEST(Headings, APairWithoutCommaEndsTheList) {
  auto two = controls::ParseHeadings(L"A,50;B,60");
  ASSERT_EQ(two.size(), 2u);
  EXPECT_EQ(two[1].width, 60);

  auto one = controls::ParseHeadings(L"A,50;B");
  ASSERT_EQ(one.size(), 1u);
  EXPECT_EQ(one[0].name, L"A");
  EXPECT_EQ(one[0].width, 50);

  EXPECT_TRUE(controls::ParseHeadings(L"").empty());
  EXPECT_TRUE(controls::ParseHeadings(L"Item").empty());
  // An empty pair has no comma either: what follows it is not read.
  EXPECT_EQ(controls::ParseHeadings(L"A,1;;B,2").size(), 1u);
}

TEST(Headings, WidthIsTheLeadingNumberAfterTheComma) {
  auto columns = controls::ParseHeadings(L"A, 75px;B,x;C,-3;D,99999999999;E,12,5");
  ASSERT_EQ(columns.size(), 5u);
  EXPECT_EQ(columns[0].width, 75);
  EXPECT_EQ(columns[1].width, 0);
  EXPECT_EQ(columns[2].width, -3);
  EXPECT_EQ(columns[3].width, 2147483647);
  EXPECT_EQ(columns[4].name, L"E");
  EXPECT_EQ(columns[4].width, 12);
}

// The limit list: five columns, only "Low Limit" (2) and "High Limit" (3) editable.
std::vector<CellPosition> Walk(CellPosition from, int rows, bool backward, int steps) {
  auto limitCells = [](CellPosition cell) { return cell.column == 2 || cell.column == 3; };
  std::vector<CellPosition> visited;
  for (int step = 0; step < steps; ++step) {
    auto next = controls::WalkToEditableCell(from, rows, 5, backward, limitCells);
    if (!next) {
      break;
    }
    visited.push_back(*next);
    from = *next;
  }
  return visited;
}

TEST(TabWalk, ForwardGoesLowHighThenNextRowAndLeavesAtTheEnd) {
  auto visited = Walk({0, 2}, 3, false, 10);
  std::vector<CellPosition> expected{{0, 3}, {1, 2}, {1, 3}, {2, 2}, {2, 3}};
  EXPECT_EQ(visited, expected);
}

TEST(TabWalk, BackwardGoesHighLowThenPreviousRow) {
  auto visited = Walk({2, 3}, 3, true, 10);
  std::vector<CellPosition> expected{{2, 2}, {1, 3}, {1, 2}, {0, 3}, {0, 2}};
  EXPECT_EQ(visited, expected);
}

TEST(TabWalk, AsksEachCellOnceAndStopsWhenNoneAccepts) {
  std::multiset<int> asked;
  auto refuse = [&asked](CellPosition cell) {
    asked.insert(cell.row * 10 + cell.column);
    return false;
  };
  EXPECT_FALSE(controls::WalkToEditableCell({1, 1}, 3, 4, false, refuse).has_value());
  EXPECT_EQ(asked.size(), 6u);  // (1,2) (1,3) (2,0) .. (2,3)
  for (int cell : asked) {
    EXPECT_EQ(asked.count(cell), 1u);
  }
}

TEST(TabWalk, EveryStepAtTheEdgesOfTheList) {
  struct Row {
    CellPosition from;
    int32_t rows, columns;
    bool backward;
    std::optional<CellPosition> to;
  };
  const std::optional<CellPosition> none;
  const Row steps[] = {
      {{0, 0}, 3, 4, false, CellPosition{0, 1}},
      {{0, 3}, 3, 4, false, CellPosition{1, 0}},
      {{2, 2}, 3, 4, false, CellPosition{2, 3}},
      {{2, 3}, 3, 4, false, none},
      {{2, 3}, 3, 4, true, CellPosition{2, 2}},
      {{1, 0}, 3, 4, true, CellPosition{0, 3}},
      {{0, 1}, 3, 4, true, CellPosition{0, 0}},
      {{0, 0}, 3, 4, true, none},
      // No current cell, or one outside the list: the walk starts at the first (last) cell.
      {{-1, -1}, 3, 4, false, CellPosition{0, 0}},
      {{-1, 2}, 3, 4, true, CellPosition{2, 3}},
      {{1, -1}, 3, 4, false, CellPosition{0, 0}},
      {{3, 0}, 3, 4, false, CellPosition{0, 0}},
      {{3, 0}, 3, 4, true, CellPosition{2, 3}},
      {{0, 4}, 3, 4, false, CellPosition{0, 0}},
      {{0, 4}, 3, 4, true, CellPosition{2, 3}},
      {{9, 9}, 3, 4, false, CellPosition{0, 0}},
      {{0, 0}, 1, 1, false, none},
      {{0, 0}, 1, 1, true, none},
      {{-1, -1}, 0, 4, false, none},
      {{-1, -1}, 3, 0, true, none},
  };
  for (const Row& step : steps) {
    EXPECT_EQ(controls::NextCell(step.from, step.rows, step.columns, step.backward), step.to)
        << step.from.row << "," << step.from.column << " in " << step.rows << "x" << step.columns
        << (step.backward ? " backward" : "");
  }
  EXPECT_EQ(Walk({-1, -1}, 4, false, 1), (std::vector<CellPosition>{{0, 2}}));
  EXPECT_EQ(Walk({-1, -1}, 4, true, 1), (std::vector<CellPosition>{{3, 3}}));
}

TEST(CellInView, EveryEdgeInsideAtAndBeyondTheView) {
  const int32_t cases[][6] = {
      // left, right, width -> scroll, editor left, editor right (4 pixels inside)
      {40, 120, 300, 0, 40, 120},   {10, 296, 300, 0, 10, 296},    {200, 300, 300, 0, 200, 296},
      {200, 301, 300, 1, 199, 296}, {0, 50, 300, 0, 0, 50},        {-1, 50, 300, -1, 0, 51},
      {-50, 30, 300, -50, 0, 80},   {250, 350, 300, 50, 200, 296}, {100, 600, 300, 100, 0, 296},
      {-10, 400, 300, -10, 0, 296}};
  for (const auto& c : cases) {
    controls::CellPlacement placement = controls::PlaceCellInView(c[0], c[1], c[2]);
    EXPECT_EQ(placement.scroll, c[3]) << c[0] << ".." << c[1];
    EXPECT_EQ(placement.left, c[4]) << c[0] << ".." << c[1];
    EXPECT_EQ(placement.right, c[5]) << c[0] << ".." << c[1];
  }
}

TEST(Headings, LeadingIntegerAsTheCLibraryReadsItWithin32Bits) {
  const std::pair<const wchar_t*, int32_t> texts[] = {{L"42", 42},
                                                      {L"  42px", 42},
                                                      {L"\t\n\r\v\f5", 5},
                                                      {L"+8", 8},
                                                      {L"-7x", -7},
                                                      {L"1 2", 1},
                                                      {L"-", 0},
                                                      {L"", 0},
                                                      {L"x1", 0},
                                                      {L"- 1", 0},
                                                      {L"2147483647", INT32_MAX},
                                                      {L"2147483648", INT32_MAX},
                                                      {L"99999999999", INT32_MAX},
                                                      {L"-2147483648", INT32_MIN},
                                                      {L"-2147483649", INT32_MIN},
                                                      {L"-99999999999", INT32_MIN}};
  for (const auto& [text, value] : texts) {
    EXPECT_EQ(controls::LeadingInteger(text), value) << text;
  }
}

TEST(ScreenFit, TaskbarOrientationFromTheWorkArea) {
  EXPECT_FALSE(controls::TaskbarIsVertical({0, 0, 1024, 728}, 1024));   // bottom
  EXPECT_FALSE(controls::TaskbarIsVertical({0, 40, 1024, 768}, 1024));  // top
  EXPECT_TRUE(controls::TaskbarIsVertical({60, 0, 1024, 768}, 1024));   // left
  EXPECT_TRUE(controls::TaskbarIsVertical({0, 0, 964, 768}, 1024));     // right
  EXPECT_TRUE(controls::TaskbarIsVertical({1, 0, 1025, 768}, 1024));
  EXPECT_TRUE(controls::TaskbarIsVertical({0, 0, 1023, 768}, 1024));
  EXPECT_FALSE(controls::TaskbarIsVertical({0, 0, 1025, 768}, 1024));
}

TEST(ScreenFit, AvailableSizeLeavesTaskbarAndCaption) {
  EXPECT_EQ(controls::AvailableSize(false, {1024, 768}, {1024, 40}, 23),
            (controls::Extent{1024, 705}));
  EXPECT_EQ(controls::AvailableSize(true, {1024, 768}, {60, 768}, 23),
            (controls::Extent{964, 745}));
  EXPECT_EQ(controls::AvailableSize(false, {800, 600}, {0, 0}, 20), (controls::Extent{800, 580}));
}

TEST(ScreenFit, DialogThatFitsChangesNothing) {
  auto ratios = controls::WindowRatios({700, 500}, {800, 580});
  EXPECT_FALSE(ratios.scalingNeeded);
  EXPECT_EQ(ratios.width, 1.0);
  EXPECT_EQ(ratios.height, 1.0);
  // Exactly as large as the room still fits; one pixel more shrinks that direction only.
  EXPECT_FALSE(controls::WindowRatios({800, 580}, {800, 580}).scalingNeeded);
  auto wider = controls::WindowRatios({801, 580}, {800, 580});
  EXPECT_TRUE(wider.scalingNeeded);
  EXPECT_DOUBLE_EQ(wider.width, 800.0 / 801 - 0.01);
  EXPECT_EQ(wider.height, 1.0);
  auto taller = controls::WindowRatios({800, 581}, {800, 580});
  EXPECT_TRUE(taller.scalingNeeded);
  EXPECT_EQ(taller.width, 1.0);
  EXPECT_DOUBLE_EQ(taller.height, 580.0 / 581 - 0.01);
  EXPECT_FALSE(controls::WindowRatios({0, 0}, {-5, -5}).scalingNeeded);
}

TEST(ScreenFit, DialogLargerThanTheScreenShrinksWithItsControls) {
  // 1000 x 800 window on 800 x 600 with a 40-pixel taskbar below, caption 20, border 1.
  controls::Extent available = controls::AvailableSize(false, {800, 600}, {800, 40}, 20);
  ASSERT_EQ(available, (controls::Extent{800, 540}));
  auto ratios = controls::WindowRatios({1000, 800}, available);
  ASSERT_TRUE(ratios.scalingNeeded);
  EXPECT_DOUBLE_EQ(ratios.width, 0.79);
  EXPECT_DOUBLE_EQ(ratios.height, 0.665);

  controls::Extent shrunk = controls::ShrunkWindow({1000, 800}, ratios, 1);
  EXPECT_EQ(shrunk, (controls::Extent{790, 529}));  // 532 less three borders

  // Controls reach to 980 right and 760 down: both directions need new positions.
  auto positions = controls::ControlRatios(shrunk, 980, 760, 20, {});
  EXPECT_DOUBLE_EQ(positions.horizontal, 780.0 / 980);
  EXPECT_DOUBLE_EQ(positions.vertical, 499.0 / 760);
  // Products are truncated toward zero.
  EXPECT_EQ(controls::PlaceControl({100, 200, 980, 760}, positions),
            (controls::Box{79, 131, 780, 499}));
  EXPECT_EQ(controls::ScaledFontHeight(-16, ratios.height), -10);
  EXPECT_EQ(controls::ScaledFontHeight(20, ratios.height), 13);
}

TEST(CellText, EachLineBreakIsOneBlankOnTheCellsLine) {
  const struct {
    const wchar_t* text;
    const wchar_t* drawn;
  } cases[] = {
      {L"PCS AGC: PASS\r\nDCS AGC: PASS\r\n", L"PCS AGC: PASS DCS AGC: PASS "},
      {L"+CME ERROR: 10\r\n", L"+CME ERROR: 10 "},
      {L"a\nb\rc", L"a b c"},
      {L"a\n\rb", L"a  b"},  // a line feed, then a lone carriage return
      {L"\r\n\r\n", L"  "},
      {L"no break\t here", L"no break\t here"},
      {L"", L""},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(controls::SingleLineText(c.text), c.drawn) << c.text;
  }
}

TEST(ScreenFit, OnlyTheDirectionThatNoLongerFitsIsRepositioned) {
  // Controls narrower than the shrunk window keep their horizontal places.
  auto positions = controls::ControlRatios({790, 529}, 600, 760, 20, {});
  EXPECT_EQ(positions.horizontal, 1.0);
  EXPECT_DOUBLE_EQ(positions.vertical, 499.0 / 760);
  EXPECT_EQ(controls::PlaceControl({10, 10, 600, 20}, {1.0, 1.0}),
            (controls::Box{10, 10, 600, 20}));
  // At the controls' extent nothing moves; the ratios given are kept.
  const controls::PositionRatios given{0.5, 0.25};
  auto same = controls::ControlRatios({790, 529}, 790, 529, 20, given);
  EXPECT_EQ(same.horizontal, 0.5);
  EXPECT_EQ(same.vertical, 0.25);
  auto none = controls::ControlRatios({790, 529}, 0, 0, 20, given);
  EXPECT_EQ(none.horizontal, 0.5);
  EXPECT_EQ(none.vertical, 0.25);
  auto below = controls::ControlRatios({790, 529}, 791, 530, 20, given);
  EXPECT_DOUBLE_EQ(below.horizontal, 780.0 / 791);
  EXPECT_DOUBLE_EQ(below.vertical, 499.0 / 530);
}

}  // namespace
