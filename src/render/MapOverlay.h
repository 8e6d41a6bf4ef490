// The map of the whole world that M shows over the game, drawn from the cell map.
#pragma once

#include <allegro5/allegro_font.h>

#include "render/CellMap.h"
#include "render/View.h"
#include "screens/MapLayout.h"

// The dark frame round the map, and the rectangle of the part of the world
// the screen shows. The player's mark has the sprite's colour.
constexpr Rgb8 kMapFrameColour{40, 40, 40};
constexpr Rgb8 kMapViewColour{255, 255, 255};

// The player's mark on the map: the sprite's footprint at the map's scale,
// never smaller than 2 x 3 pixels; screen pixels, not cut to the map.
struct MapMark {
  int left, top, width, height;
};
MapMark mapMarkFor(const MapPlace& place, float x, float y);

// Draw the visible part of the cell map as drawCellMap does, but only around
// the map's place and its frame, which the map covers.
void drawCellMapAround(const CellMap& map, const View& view, const MapPlace& place);

// Draw the map on the current target, drawing not held: the frame, the whole
// cell map scaled, the rectangle of the view's cells, the player's mark and,
// under the map, the line of the player's place. The map must be current for
// the whole grid (updateWholeCellMap).
void drawWorldMap(const CellMap& map, const Player& player, const View& view, ALLEGRO_FONT* font);
