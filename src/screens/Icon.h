// The game's icon: a corner of a world, sky over grass, dirt, stone and gold,
// with the player standing on the grass, in the tiles' and the player's own
// colours. The window shows it, and the installed game's menu entry uses it.
#pragma once

#include "world/World.h"

struct ALLEGRO_BITMAP;

// The icon is kIconCells x kIconCells cells; sizes that are a multiple of it
// give every cell the same number of pixels.
constexpr int kIconCells = 8;

// The sizes of the icon files the package installs (and one that scales); the
// window carries all but the largest.
constexpr int kIconSizes[] = {16, 32, 48, 64, 128, 256};
constexpr int kWindowIconCount = 5;

// The colour of the pixel at (x, y) of the icon at `size` x `size` pixels.
Rgb8 iconPixel(int size, int x, int y);

// The icon as a new memory bitmap, or null if it cannot be made. Needs the
// library running, no display; the target bitmap is left as it was.
ALLEGRO_BITMAP* makeIconBitmap(int size);
