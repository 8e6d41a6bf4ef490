// Where the map of the whole world stands on the screen, and its line of text.
#pragma once

#include "player/Player.h"
#include "world/World.h"

// The surface row: the first row below the sky, where depth is counted from.
constexpr int kSurfaceRow = kLastAirRow + 1;

// The map's place: every cell a scale x scale square, the whole grid's
// top-left corner at (left, top), centred in the window above the band.
struct MapPlace {
  int scale;
  int left, top;
  int width() const { return kWorldColumns * scale; }
  int height() const { return kWorldRows * scale; }
};

// The largest whole scale (at least 1) at which the grid fits a screen of
// this size above the band, and the place that centres it there.
MapPlace mapPlaceFor(int screenWidth, int screenHeight);

// The player's place as the line under the map: the column of the sprite's
// middle and the depth of the row under its feet, in blocks below the
// surface row ("Column 3 - 7 blocks below the surface"), or "above the
// surface" when that row is in the sky.
constexpr int kMapLineBytes = 64;
struct MapLine {
  char text[kMapLineBytes];
};
MapLine formatMapLine(const Player& player);
