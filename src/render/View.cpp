// Which part of the world a frame shows, and where the sprite stands on screen.
#include "render/View.h"

#include <algorithm>

#include "screens/HudLayout.h"
#include "world/World.h"

namespace {

struct Axis {
  int edge;    // world pixel at the screen's low edge
  int sprite;  // sprite position on screen
  int count;   // cells counted
};

// The horizontal axis: the end test adds one cell's width before comparing.
Axis horizontalAxis(float x, int width) {
  const int half = width / 2;
  if (static_cast<double>(x) - half < 0.0) return {0, static_cast<int>(x), width / kCellSize};
  if (static_cast<double>(x) + half + kCellSize > kWorldWidth) {
    const int edge = kWorldWidth - kCellSize * (width / kCellSize);
    return {edge, static_cast<int>(x) - edge, width / kCellSize};
  }
  return {static_cast<int>(x) - half, half, width / kCellSize + 1};
}

// The vertical axis: no extra cell in the end test, one row fewer at the end.
Axis verticalAxis(float y, int height) {
  const int half = height / 2;
  if (static_cast<double>(y) - half < 0.0) return {0, static_cast<int>(y), height / kCellSize};
  if (static_cast<double>(y) + half > kWorldHeight) {
    const int edge = kWorldHeight - kCellSize * (height / kCellSize);
    return {edge, static_cast<int>(y) - edge, height / kCellSize - 1};
  }
  return {static_cast<int>(y) - half, half, height / kCellSize + 1};
}

}  // namespace

View computeView(float x, float y, int screenWidth, int screenHeight) {
  const Axis h = horizontalAxis(x, screenWidth);
  const Axis v = verticalAxis(y, screenHeight);
  View view{};
  view.viewLeft = h.edge;
  view.viewTop = v.edge;
  view.columns = h.count;
  view.rows = v.count;
  view.spriteX = h.sprite;
  view.spriteY = v.sprite;
  // Edges are negative only for a display larger than the world, and then
  // whole multiples of kCellSize, so the shifts stay 0 there.
  view.firstColumn = h.edge / kCellSize;
  view.firstRow = v.edge / kCellSize;
  view.shiftX = h.edge % kCellSize;
  view.shiftY = v.edge % kCellSize;
  view.columnBegin = std::max(0, -view.firstColumn);
  view.columnEnd = std::max(view.columnBegin, std::min(view.columns, kWorldColumns - view.firstColumn));
  view.rowBegin = std::max(0, -view.firstRow);
  view.rowEnd = std::max(view.rowBegin, std::min(view.rows - kHudRows, kWorldRows - view.firstRow));
  return view;
}
