// Where the view that follows the player stands.
#include "player/ViewEdges.h"

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

// The vertical axis: against the bottom, the world's bottom edge rests on the
// band's top edge, and the rows down to the world's last are counted.
Axis verticalAxis(float y, int height) {
  const int half = height / 2;
  if (static_cast<double>(y) - half < 0.0) return {0, static_cast<int>(y), height / kCellSize};
  const int following = static_cast<int>(y) - half;
  const int bottom = kWorldHeight + kBandHeight - height;
  if (following >= bottom)
    return {bottom, static_cast<int>(y) - bottom,
            kWorldRows - floorDiv(bottom, kCellSize) + kBandHeight / kCellSize};
  return {following, half, height / kCellSize + 1};
}

}  // namespace

ViewEdges viewEdges(float x, float y, int screenWidth, int screenHeight) {
  const Axis h = horizontalAxis(x, screenWidth);
  const Axis v = verticalAxis(y, screenHeight);
  return {h.edge, v.edge, h.sprite, v.sprite, h.count, v.count};
}
