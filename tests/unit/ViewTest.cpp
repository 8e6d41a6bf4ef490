// Which cells a frame draws and where the sprite lands on screen.
#include <gtest/gtest.h>

#include <cstdlib>

#include "player/Editing.h"
#include "player/Movement.h"
#include "render/View.h"
#include "save/SaveFile.h"
#include "screens/HudLayout.h"
#include "world/World.h"

namespace {

// Columns and rows the cut ranges draw.
int drawnColumns(const View& view) { return view.columnEnd - view.columnBegin; }
int drawnRows(const View& view) { return view.rowEnd - view.rowBegin; }

// Screen y just below the lowest drawn row.
int drawnBottom(const View& view) { return 10 * view.rowEnd - view.shiftY; }

}  // namespace

// Where the view and the sprite land at 1440 x 900, -1 for what a case leaves
// alone. The boundaries: y - hh == 0 is the top case; x + hw + 10 == 7200 is
// centred, one step further is the right case; y + hh == 4800 is centred.
TEST(ViewTest, CasesAndTheirBoundaries) {
  const struct {
    float x, y;
    int viewLeft, viewTop, spriteX, spriteY, columns, rows;
  } kCases[] = {
      {3600.0f, 2400.0f, 2880, 1950, 720, 450, 145, 86},  // the middle of the world
      {30.0f, 800.0f, 0, 350, 30, 450, 144, 86},          // the start
      {7187.5f, 2400.0f, 5760, -1, 1427, 450, 144, -1},   // the right edge
      {3600.0f, 450.0f, -1, 0, -1, 450, -1, 86},          // the top case's first row
      {3600.0f, 447.5f, -1, 0, -1, 447, -1, 85},         {6470.0f, 2400.0f, 5750, -1, 720, -1, 145, -1},
      {6472.5f, 2400.0f, 5760, -1, 712, -1, 144, -1},    {3600.0f, 4350.0f, -1, 3900, -1, 450, -1, -1},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(testing::Message() << c.x << ", " << c.y);
    const View view = computeView(c.x, c.y, 1440, 900);
    const int got[] = {view.viewLeft, view.viewTop,       view.spriteX,
                       view.spriteY,  drawnColumns(view), drawnRows(view)};
    const int want[] = {c.viewLeft, c.viewTop, c.spriteX, c.spriteY, c.columns, c.rows};
    for (int i = 0; i < 6; ++i)
      EXPECT_TRUE(want[i] < 0 || got[i] == want[i]) << "field " << i << ": " << got[i];
  }
  const View start = computeView(30.0f, 800.0f, 1440, 900);
  EXPECT_EQ(start.firstColumn, 0);
  EXPECT_EQ(start.firstRow, 35);
  const View right = computeView(7187.5f, 2400.0f, 1440, 900);
  EXPECT_EQ(right.shiftX, 0);
  EXPECT_EQ(right.firstColumn + right.columnEnd - 1, 719);
  EXPECT_EQ(10 * (right.columnEnd - 1) - right.shiftX, 1430);
}

// The cells stop 10 * (H / 10 - 5) down the screen in the top case (H - 50
// for heights that are multiples of 10) and 10 * (H / 10 - 4) less the shift
// when centred. Against the bottom the world's last row lies just above the
// band at every height, a click on the band finds no cell, and the view
// comes to rest there without a jump.
TEST(ViewTest, BandLeftBelowTheCells) {
  for (int height : {768, 800, 900, 1050, 1081}) {
    SCOPED_TRACE(height);
    const int tenths = height / 10;
    EXPECT_EQ(drawnBottom(computeView(3600.0f, 100.0f, 1440, height)), 10 * (tenths - 5));
    const View centred = computeView(3600.0f, 2402.5f, 1440, height);
    EXPECT_EQ(drawnBottom(centred), 10 * (tenths - 4) - centred.shiftY);
    const Player bottom = {.x = 3600.0f, .y = 4720.0f, .screenWidth = 1921, .screenHeight = height};
    const View view = computeView(bottom.x, bottom.y, bottom.screenWidth, height);
    EXPECT_EQ(drawnBottom(view), height - kHudLayout.barUp);
    EXPECT_EQ(view.firstRow + view.rowEnd - 1, kWorldRows - 1);
    EXPECT_EQ(screenToCell(900, height - kHudLayout.barUp - 1, bottom).row, kWorldRows - 1);
    EXPECT_EQ(screenToCell(900, height - kHudLayout.barUp, bottom).row, kWorldRows);
    int top = computeView(3600.0f, 3000.0f, 1440, height).viewTop;
    for (float y = 3000.0f; y <= kHighestPlayerY; y += kFallStep) {
      const int next = computeView(3600.0f, y, 1440, height).viewTop;
      ASSERT_LE(std::abs(next - top), 3) << y;
      top = next;
    }
  }
}

// For the offered display sizes, every reachable position counts only cells
// of the grid: cutting the ranges changes nothing.
TEST(ViewTest, OfferedDisplaysNeverLeaveTheGrid) {
  const int sizes[][2] = {{1280, 768}, {1440, 900}, {1680, 1050}, {1921, 1201}};
  for (const auto& size : sizes) {
    int failures = 0;
    for (double x = kLowestPlayerX; x <= kHighestPlayerX; x += kWalkStep * 3)
      for (double y = kLowestPlayerY; y <= kHighestPlayerY; y += kFallStep * 3) {
        const View view = computeView(static_cast<float>(x), static_cast<float>(y), size[0], size[1]);
        const bool uncut = view.columnBegin == 0 && view.columnEnd == view.columns && view.rowBegin == 0 &&
                           view.rowEnd == view.rows - kHudRows;
        const bool inGrid = isInGrid(view.firstColumn, view.firstRow) &&
                            isInGrid(view.firstColumn + view.columns - 1, view.firstRow + view.rows - 6);
        if ((!uncut || !inGrid) && failures++ < 5)
          ADD_FAILURE() << size[0] << "x" << size[1] << " at (" << x << ", " << y << "): columns "
                        << view.firstColumn << "+" << view.columns << ", rows " << view.firstRow << "+"
                        << view.rows - kHudRows;
      }
    // The walk's last reachable column and the bottom bound, which the coarse grid may step over.
    for (float x : {kHighestPlayerX, 7185.0f})
      for (float y : {kHighestPlayerY, kLowestPlayerY}) {
        const View view = computeView(x, y, size[0], size[1]);
        EXPECT_EQ(view.columnEnd, view.columns);
        EXPECT_EQ(view.rowEnd, view.rows - kHudRows);
        EXPECT_EQ(view.firstColumn + view.columnEnd - 1, 719);
      }
  }
}

// A display larger than the world would count cells beyond it; the cut ranges
// keep every index in the grid.
TEST(ViewTest, DisplayLargerThanTheWorld) {
  const int sizes[][2] = {{7681, 4321}, {7200, 4800}, {8000, 6000}, {12000, 9000}};
  for (const auto& size : sizes) {
    int failures = 0;
    for (double x = kLowestPlayerX; x <= kHighestPlayerX; x += 37.5)
      for (double y = kLowestPlayerY; y <= kHighestPlayerY; y += 37.5) {
        const View view = computeView(static_cast<float>(x), static_cast<float>(y), size[0], size[1]);
        const bool empty = view.columnBegin == view.columnEnd || view.rowBegin == view.rowEnd;
        const bool inGrid =
            empty || (isInGrid(view.firstColumn + view.columnBegin, view.firstRow + view.rowBegin) &&
                      isInGrid(view.firstColumn + view.columnEnd - 1, view.firstRow + view.rowEnd - 1));
        if (!inGrid && failures++ < 5)
          ADD_FAILURE() << size[0] << "x" << size[1] << " at (" << x << ", " << y << ")";
      }
  }
  // Past the middle of a 7681-wide display the view's left edge lies left of
  // the world: the columns before the grid are skipped, the world's still drawn.
  const View wide = computeView(5000.0f, 2000.0f, 7681, 4321);
  EXPECT_EQ(wide.viewLeft, -480);
  EXPECT_EQ(wide.firstColumn + wide.columnBegin, 0);
  EXPECT_EQ(10 * wide.columnBegin - wide.shiftX, 480);
  EXPECT_EQ(drawnColumns(wide), 720);
  EXPECT_EQ(wide.spriteX, 5480);
}
