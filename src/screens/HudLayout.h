// The heads-up band's geometry: one table read by the drawing, the buttons'
// hit test and the view. Every place is measured up from the screen's bottom
// edge, and the buttons' also in from its right edge, so the band follows the
// display size chosen.
#pragma once

#include "player/Player.h"
#include "player/ViewEdges.h"
#include "world/World.h"

// Which corner button a place or a click belongs to.
enum class HudButton { kNone, kLoad, kSave };

// `x` pixels in from the left edge, the top `up` pixels above the bottom edge.
struct HudSpot {
  int x;
  int up;
};

// A button: the 40 x 40 tile (only its upper rows are on screen) and its label.
struct HudButtonPlace {
  HudButton button;
  const char* label;
  int fromRight;       // the tile's left edge, in from the right edge
  int up;              // the tile's top
  int labelFromRight;  // the centre of the label
  int labelUp;         // the top of the label
};

struct HudLayout {
  int barUp;                  // the bar's top; the band is this tall
  int barHeight;              // the black bar, as wide as the screen
  HudSpot lines[6];           // tops of Player X, Player Y, then slots 1 to 4
  HudSpot markers[4];         // the tile beside slot 1 to 4 when it is selected
  int buttonSize;             // the buttons' tile is this square
  HudButtonPlace buttons[2];  // drawn in this order; a click tries them in it
};

inline constexpr HudLayout kHudLayout = {
    kBandHeight,
    10,
    {{10, 40}, {10, 20}, {150, 40}, {250, 40}, {150, 20}, {250, 20}},
    {{138, 38}, {238, 38}, {138, 18}, {238, 18}},
    40,
    {{HudButton::kLoad, "Load", 40, 25, 20, 20}, {HudButton::kSave, "Save", 100, 25, 80, 20}},
};

// Rows of cells at the bottom of the screen left to the band.
constexpr int kHudRows = kHudLayout.barUp / kCellSize;

// Where the selection marker stands for a slot on a screen of height H;
// false for a slot outside 1 to 4 (no marker).
bool hudMarkerPosition(int selectedSlot, int screenHeight, int* x, int* y);

// Screen position of status line `line` (0 Player X, 1 Player Y, 2..5 slots 1..4).
void hudLinePosition(int line, int screenHeight, int* x, int* y);

// The button a click at (x, y) presses on the record's screen: a button's area
// starts just right of its tile's left edge and just below its top and runs
// to the screen's right edge; the first button in the table that holds the
// click wins.
HudButton hudButtonAt(int x, int y, const Player& player);
