// Where the map of the whole world stands on the screen, and its line of text.
#include "screens/MapLayout.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "screens/HudLayout.h"

MapPlace mapPlaceFor(int screenWidth, int screenHeight) {
  const int above = screenHeight - kHudLayout.barUp;
  const int scale = std::max(1, std::min(screenWidth / kWorldColumns, above / kWorldRows));
  return {scale, (screenWidth - kWorldColumns * scale) / 2, (above - kWorldRows * scale) / 2};
}

namespace {

// The cell holding world pixel `position`, kept within [low, high] whatever the
// record holds.
int cellOf(double position, int low, int high) {
  const double cell = std::floor(position / kCellSize);
  if (!(cell > low)) return low;  // NaN too
  return static_cast<int>(std::min(cell, static_cast<double>(high)));
}

}  // namespace

MapLine formatMapLine(const Player& player) {
  MapLine line;
  const int column = cellOf(static_cast<double>(player.x) + kPlayerWidth / 2, 0, kWorldColumns - 1);
  const int row = cellOf(static_cast<double>(player.y) + kPlayerHeight, -1, kWorldRows - 1);
  const int depth = row - kSurfaceRow;
  if (depth < 0)
    std::snprintf(line.text, sizeof line.text, "Column %d - above the surface", column);
  else
    std::snprintf(line.text, sizeof line.text, "Column %d - %d block%s below the surface", column, depth,
                  depth == 1 ? "" : "s");
  return line;
}
