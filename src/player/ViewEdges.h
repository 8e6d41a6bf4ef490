// Where the view that follows the player stands: the frame draws through it
// and a click finds its cell through it, so the two always agree.
#pragma once

// The heads-up band along the screen's bottom edge: the world is never shown
// under it.
constexpr int kBandHeight = 50;

// One frame's view. Each axis rests against the world's low edge, its high
// edge, or follows the player (one more column or row is counted then).
struct ViewEdges {
  int left, top;         // world pixel at the screen's left and top edge
  int spriteX, spriteY;  // the sprite's screen position
  int columns, rows;     // cells counted; the rows include the band's
};

// The view for a player at (x, y) on a screenWidth x screenHeight display.
// Against the bottom, the world's last row lies just above the band; that
// case begins where the following view would reach the world's bottom,
// so the view never jumps.
ViewEdges viewEdges(float x, float y, int screenWidth, int screenHeight);

// Integer division rounding down, for edges left of or above the world.
constexpr int floorDiv(int a, int b) { return a / b - (a % b != 0 && (a < 0) != (b < 0)); }
