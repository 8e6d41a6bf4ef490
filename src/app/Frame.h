// One frame: the cells around the player, the heads-up band, the sprite.
#pragma once

#include "app/CellMap.h"
#include "app/RenderContext.h"
#include "app/View.h"

// Draw the visible cells one tile each (the straightforward way; the game
// draws through the cell map, which gives the same pixels).
void drawCellsPerTile(const View& view, const World& world);

// Compose a whole frame on the current target from a copy of the record:
// clear, cells (through `map`, or one tile per cell when it is null), the
// heads-up band, the sprite. Drawing is held for the frame and released
// before returning, so everything shows at the next flip.
void drawFrame(const Player& player, const RenderContext& context, CellMap* map);
