// Which part of the world a frame shows, and where the sprite stands on screen.
#pragma once

// The view of one frame. Each axis rests against the world's low edge, its
// high edge, or follows the player (one more column or row is counted then).
// Cells drawn: for j in [rowBegin, rowEnd), i in [columnBegin, columnEnd),
// the cell (firstColumn + i, firstRow + j) at screen (10i - shiftX, 10j - shiftY).
// The ranges are already cut to the grid, so a display larger than the world
// never reads outside it.
struct View {
  int viewLeft;  // world pixel at the screen's left edge
  int viewTop;   // world pixel at the screen's top edge
  int columns;   // columns counted for this case
  int rows;      // rows counted for this case (the bottom kHudRows are left to the HUD)
  int spriteX;   // the sprite's screen position
  int spriteY;
  int firstColumn;
  int firstRow;
  int shiftX;
  int shiftY;
  int columnBegin, columnEnd;
  int rowBegin, rowEnd;
};

// The view for a player at (x, y) on a screenWidth x screenHeight display.
View computeView(float x, float y, int screenWidth, int screenHeight);
