// One frame: the cells around the player, the heads-up band, the sprite.
#pragma once

#include "render/CellMap.h"
#include "render/RenderContext.h"
#include "render/View.h"
#include "world/Notices.h"

// Draw the visible cells one tile each (the straightforward way; the game
// draws through the cell map, which gives the same pixels).
void drawCellsPerTile(const View& view, const World& world);

// The target outline's colours: a dark ring on the cell's edge and a light
// one just inside it. No one colour stands out from all six of the grounds it
// is drawn on (sky, grass, dirt, stone, gold, black): the bright ones want it
// dark, black wants it light, and each ground is at least 3:1 from one ring.
constexpr Rgb8 kOutlineColour{0, 0, 0};
constexpr Rgb8 kOutlineInnerColour{255, 255, 255};

// Compose a whole frame on the current target from a copy of the record when
// `map` (if any) is already up to date for `view`: clear, cells (through the
// map, or one tile per cell when it is null), the heads-up band, the sprite,
// then the overlay: the outline of its cell above the band, the panel (the
// help card beside the sprite, or the world's map, only with a cell map
// current for the whole grid), and the notices. Drawing is held for the frame
// and released before returning, so
// everything shows at the next flip. The map overwrites every pixel it
// covers, so only the rest is cleared first.
void composeFrame(const Player& player, const View& view, const RenderContext& context, const CellMap* map,
                  const Overlay& overlay = {}, const NoticeList& notices = {});

// Bring `map` up to date for a frame of `view`: the whole grid while the
// world's map shows, the view's cells otherwise. True when a pixel changed.
bool updateMapFor(CellMap* map, const View& view, const World& world, const Overlay& overlay);

// A frame that nothing has spoilt is drawn again at least this often.
constexpr double kLongestRedrawGap = 1.0;  // seconds

// What the last drawn frame showed: every field of the record a frame uses.
struct ShownFrame {
  bool drawn = false;  // false until the first frame, or to force the next
  double drawnAt = 0.0;
  float x = 0.0f, y = 0.0f;
  int32_t counts[4] = {};
  int32_t selectedSlot = 0;
  int32_t screenWidth = 0, screenHeight = 0;
  ALLEGRO_BITMAP* sprite = nullptr;
  Overlay overlay;
  NoticeList notices;
};

// One tick of the render thread at time `now` (seconds): draw the frame on
// the current target and return true, or draw nothing and return false when
// the picture on screen already shows it: the same record fields, overlay
// and notices, no visible cell changed (known only through a map; without one every tick draws;
// while the world's map shows, no cell of the grid changed), no
// redraw requested, and the last frame less than kLongestRedrawGap ago.
// The caller flips after a drawn frame and leaves the target alone otherwise.
bool drawFrameIfChanged(ShownFrame* shown, const Player& player, const RenderContext& context, CellMap* map,
                        bool redraw, double now, const Overlay& overlay = {}, const NoticeList& notices = {});
