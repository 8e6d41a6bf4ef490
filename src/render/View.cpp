// Which part of the world a frame shows, and where the sprite stands on screen.
#include "render/View.h"

#include <algorithm>

#include "player/ViewEdges.h"
#include "screens/HudLayout.h"
#include "world/World.h"

View computeView(float x, float y, int screenWidth, int screenHeight) {
  const ViewEdges edges = viewEdges(x, y, screenWidth, screenHeight);
  View view{};
  view.viewLeft = edges.left;
  view.viewTop = edges.top;
  view.columns = edges.columns;
  view.rows = edges.rows;
  view.spriteX = edges.spriteX;
  view.spriteY = edges.spriteY;
  // Edges are negative only for a display larger than the world: the first
  // cell is then the one left of or above the world's edge, shifted in.
  view.firstColumn = floorDiv(edges.left, kCellSize);
  view.firstRow = floorDiv(edges.top, kCellSize);
  view.shiftX = edges.left - kCellSize * view.firstColumn;
  view.shiftY = edges.top - kCellSize * view.firstRow;
  view.columnBegin = std::max(0, -view.firstColumn);
  view.columnEnd = std::max(view.columnBegin, std::min(view.columns, kWorldColumns - view.firstColumn));
  view.rowBegin = std::max(0, -view.firstRow);
  view.rowEnd = std::max(view.rowBegin, std::min(view.rows - kHudRows, kWorldRows - view.firstRow));
  return view;
}
