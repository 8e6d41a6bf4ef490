// Mouse presses in the world: digging and placing.
#pragma once

#include "player/Player.h"
#include "world/World.h"

constexpr double kReach = 50.0;  // pixels, strict, on each axis from the sprite's corner

struct CellPosition {
  int col;
  int row;
};

// The grid cell drawn under a pointer pixel, through the frame's own view of
// the record. May lie outside the grid (under the band against the world's
// bottom, the last pixels of a display whose width is not a multiple of 10,
// or a display larger than the world).
CellPosition screenToCell(int mouseX, int mouseY, const Player& player);

// Whether the cell at (col, row) is within reach of the player.
bool inReach(const Player& player, int col, int row);

// Whether the cell at (col, row), which lies in the grid, is within reach of
// the player and touches open space on one of its four sides. Neighbours
// outside the grid count as solid.
bool canEditCell(const World& world, const Player& player, int col, int row);

// What a press does to the cell under the pointer: the one rule of editing,
// which the press itself and the outline of the cell a click would change
// both follow.
enum class PressAction {
  kNothing,       // nothing changes: no cell, out of reach, nothing to dig or fill
  kDig,           // the block goes into its inventory count, sky or underground is left
  kPlace,         // a block of the selected slot fills the open cell
  kPlaceNothing,  // the open cell could be filled but the slot is empty: only its
                  // position fields are written again
};

struct PressTarget {
  CellPosition cell;  // under the pointer; may lie outside the grid
  PressAction action;
};

// What a press of `button` (1 the primary) at the pointer position would do.
// Reads no cell outside the grid.
PressTarget pressTarget(const World& world, const Player& player, int mouseX, int mouseY, int button);

// Whether a click at the pointer position would change a block: a primary
// click would dig it, or another button would place one; *cell is then set
// to that cell.
bool clickChangesCell(const World& world, const Player& player, int mouseX, int mouseY, CellPosition* cell);

// What a mouse press did to the world. The corner buttons are the caller's:
// it looks at them after the press, with the updated record.
struct MousePress {
  Player player;     // the updated record
  bool cellChanged;  // a cell of the grid now saves to other bytes
};

// A mouse press: the primary button digs the cell under the pointer, any other
// places from the selected slot.
MousePress handleMouseDown(ALLEGRO_EVENT event, World* world, const BlockCatalogue catalogue, Player player);
