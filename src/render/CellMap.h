// The world drawn through a map of one pixel per cell, scaled ten times.
#pragma once

#include <cstdint>
#include <vector>

#include "render/View.h"
#include "world/World.h"

struct ALLEGRO_BITMAP;

// A 720 x 480 video bitmap of the game display, one pixel per cell in the
// colour of that cell's tile, and the tile each pixel was last written from.
// Only the render thread uses it; pixels outside every view so far are unset.
struct CellMap {
  ALLEGRO_BITMAP* bitmap = nullptr;
  std::vector<ALLEGRO_BITMAP*> lastTile;  // per grid index; null = never written
  ALLEGRO_BITMAP* tiles[kBlockKinds] = {};
  uint32_t colours[kBlockKinds] = {};  // tile colours, as locked pixels
  std::vector<int> changed;            // scratch: grid indices changed this frame
  bool retry = false;                  // the last update could not write its pixels
  // Every pixel is current for `wholeWorld` as it was after `wholeEdits` changes.
  const World* wholeWorld = nullptr;
  uint32_t wholeEdits = 0;
};

// Make the map for the display current on this thread; the tile colours are
// read once from the catalogue's tiles. False if the bitmap cannot be made.
bool createCellMap(CellMap* map, const BlockType* catalogue);
void destroyCellMap(CellMap* map);

// Bring the map's pixels of the visible cells up to date with the grid:
// only pixels whose tile changed are written, under one lock of their region.
// True when any visible cell shows another tile than at the last update (or
// its pixel could not be written yet and is tried again next time).
bool updateCellMap(CellMap* map, const View& view, const World& world);

// Bring every pixel of the map up to date with the grid, for the map of the
// whole world. The grid is read only when the world changed since the last
// time (its count of changes tells), so a steady world costs no reading.
// True when any pixel shows another tile than before.
bool updateWholeCellMap(CellMap* map, const World& world);

// Draw the visible part of the map scaled by kCellSize, exactly where the per-tile
// loop would put the cells.
void drawCellMap(const CellMap& map, const View& view);
