// The arithmetic behind the station's controls: column headings, the one line a list cell draws,
// the Tab walk of in-place editing with the scroll that shows a cell, and the shrinking of a
// dialog to the screen.
#include <gtest/gtest.h>

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

TEST(TabWalk, WithoutCurrentCellStartsAtFirstOrLastCell) {
  EXPECT_EQ(controls::NextCell({-1, -1}, 4, 5, false), (CellPosition{0, 0}));
  EXPECT_EQ(controls::NextCell({-1, -1}, 4, 5, true), (CellPosition{3, 4}));
  EXPECT_EQ(Walk({-1, -1}, 4, false, 1), (std::vector<CellPosition>{{0, 2}}));
  EXPECT_EQ(Walk({-1, -1}, 4, true, 1), (std::vector<CellPosition>{{3, 3}}));
  EXPECT_FALSE(controls::NextCell({-1, -1}, 0, 5, false).has_value());
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

TEST(CellInView, ScrollsAndKeepsTheEditorFourPixelsInside) {
  // Inside: nothing scrolls, the right edge stays 4 pixels within the client area.
  auto inside = controls::PlaceCellInView(40, 120, 300);
  EXPECT_EQ(inside.scroll, 0);
  EXPECT_EQ(inside.left, 40);
  EXPECT_EQ(inside.right, 120);
  auto touching = controls::PlaceCellInView(200, 300, 300);
  EXPECT_EQ(touching.scroll, 0);
  EXPECT_EQ(touching.right, 296);
  // Left of the view: scroll left by the overhang.
  auto left = controls::PlaceCellInView(-50, 30, 300);
  EXPECT_EQ(left.scroll, -50);
  EXPECT_EQ(left.left, 0);
  EXPECT_EQ(left.right, 80);
  // Right of the view: scroll right until the right edge shows.
  auto right = controls::PlaceCellInView(250, 350, 300);
  EXPECT_EQ(right.scroll, 50);
  EXPECT_EQ(right.left, 200);
  EXPECT_EQ(right.right, 296);
  // Wider than the view: its left edge is shown.
  auto wide = controls::PlaceCellInView(100, 600, 300);
  EXPECT_EQ(wide.scroll, 100);
  EXPECT_EQ(wide.left, 0);
  EXPECT_EQ(wide.right, 296);
}

TEST(ScreenFit, TaskbarOrientationFromTheWorkArea) {
  EXPECT_FALSE(controls::TaskbarIsVertical({0, 0, 1024, 728}, 1024));   // bottom
  EXPECT_FALSE(controls::TaskbarIsVertical({0, 40, 1024, 768}, 1024));  // top
  EXPECT_TRUE(controls::TaskbarIsVertical({60, 0, 1024, 768}, 1024));   // left
  EXPECT_TRUE(controls::TaskbarIsVertical({0, 0, 964, 768}, 1024));     // right
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
  // Exactly as large as the room still fits.
  EXPECT_FALSE(controls::WindowRatios({800, 580}, {800, 580}).scalingNeeded);
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
}

}  // namespace
