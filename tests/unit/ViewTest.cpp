// Which cells a frame draws and where the sprite lands on screen.
#include <gtest/gtest.h>

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

TEST(ViewTest, MiddleOfTheWorld) {
  const View view = computeView(3600.0f, 2400.0f, 1440, 900);
  EXPECT_EQ(view.viewLeft, 2880);
  EXPECT_EQ(view.viewTop, 1950);
  EXPECT_EQ(drawnColumns(view), 145);
  EXPECT_EQ(drawnRows(view), 86);
  EXPECT_EQ(view.spriteX, 720);
  EXPECT_EQ(view.spriteY, 450);
}

TEST(ViewTest, StartPosition) {
  const View view = computeView(30.0f, 800.0f, 1440, 900);
  EXPECT_EQ(view.viewLeft, 0);
  EXPECT_EQ(view.viewTop, 350);
  EXPECT_EQ(view.firstColumn, 0);
  EXPECT_EQ(view.firstRow, 35);
  EXPECT_EQ(drawnColumns(view), 144);
  EXPECT_EQ(drawnRows(view), 86);
  EXPECT_EQ(view.spriteX, 30);
  EXPECT_EQ(view.spriteY, 450);
}

TEST(ViewTest, RightEdge) {
  const View view = computeView(7187.5f, 2400.0f, 1440, 900);
  EXPECT_EQ(view.viewLeft, 5760);
  EXPECT_EQ(view.shiftX, 0);
  EXPECT_EQ(view.firstColumn + view.columnEnd - 1, 719);
  EXPECT_EQ(10 * (view.columnEnd - 1) - view.shiftX, 1430);
  EXPECT_EQ(view.spriteX, 1427);
}

// The boundary tests: y - hh == 0 is centred; x + hw + 10 == 7200 is centred,
// one step further is the right case.
TEST(ViewTest, CaseBoundaries) {
  const View top = computeView(3600.0f, 450.0f, 1440, 900);
  EXPECT_EQ(top.viewTop, 0);
  EXPECT_EQ(top.spriteY, 450);
  EXPECT_EQ(top.rows, 91);

  const View justTop = computeView(3600.0f, 447.5f, 1440, 900);
  EXPECT_EQ(justTop.viewTop, 0);
  EXPECT_EQ(justTop.spriteY, 447);
  EXPECT_EQ(justTop.rows, 90);

  const View centred = computeView(6470.0f, 2400.0f, 1440, 900);
  EXPECT_EQ(centred.viewLeft, 5750);
  EXPECT_EQ(centred.spriteX, 720);
  EXPECT_EQ(drawnColumns(centred), 145);

  const View right = computeView(6472.5f, 2400.0f, 1440, 900);
  EXPECT_EQ(right.viewLeft, 5760);
  EXPECT_EQ(right.spriteX, 712);
  EXPECT_EQ(drawnColumns(right), 144);

  const View bottomCentred = computeView(3600.0f, 4350.0f, 1440, 900);  // y + hh == 4800
  EXPECT_EQ(bottomCentred.viewTop, 3900);
  EXPECT_EQ(bottomCentred.spriteY, 450);
}

// The cells stop 10 * (H / 10 - 5) down the screen in the top case (H - 50
// for heights that are multiples of 10), 10 * (H / 10 - 6) in the bottom case
// (H - 60), and 10 * (H / 10 - 4) less the shift when centred.
TEST(ViewTest, BandLeftBelowTheCells) {
  for (int height : {768, 800, 900, 1050}) {
    SCOPED_TRACE(height);
    const int tenths = height / 10;
    EXPECT_EQ(drawnBottom(computeView(3600.0f, 100.0f, 1440, height)), 10 * (tenths - 5));
    EXPECT_EQ(drawnBottom(computeView(3600.0f, 4720.0f, 1440, height)), 10 * (tenths - 6));
    const View centred = computeView(3600.0f, 2402.5f, 1440, height);
    EXPECT_EQ(drawnBottom(centred), 10 * (tenths - 4) - centred.shiftY);
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
