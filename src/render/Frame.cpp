// One frame: the cells around the player, the heads-up band, the sprite.
#include "render/Frame.h"

#include <algorithm>

#include "render/MapOverlay.h"
#include "screens/HelpCard.h"
#include "screens/Hud.h"
#include "screens/HudLayout.h"
#include "screens/NoticeStrip.h"

void drawCellsPerTile(const View& view, const World& world) {
  for (int j = view.rowBegin; j < view.rowEnd; ++j)
    for (int i = view.columnBegin; i < view.columnEnd; ++i) {
      const Cell& cell = cellAt(world, view.firstColumn + i, view.firstRow + j);
      al_draw_bitmap(loadTile(cell), static_cast<float>(kCellSize * i - view.shiftX),
                     static_cast<float>(kCellSize * j - view.shiftY), 0);
    }
}

namespace {

// Clear the target to black except where the cell map will be drawn: the
// strips above, below, left and right of the map's rectangle, each through
// the clipping rectangle. Nothing drawn means a clear of the whole target.
void clearAroundMap(const View& view) {
  const ALLEGRO_COLOR black = al_map_rgb(0, 0, 0);
  ALLEGRO_BITMAP* target = al_get_target_bitmap();
  const int width = al_get_bitmap_width(target), height = al_get_bitmap_height(target);
  const int left = std::max(0, kCellSize * view.columnBegin - view.shiftX);
  const int top = std::max(0, kCellSize * view.rowBegin - view.shiftY);
  const int right = std::min(width, kCellSize * view.columnEnd - view.shiftX);
  const int bottom = std::min(height, kCellSize * view.rowEnd - view.shiftY);
  if (left >= right || top >= bottom) {
    al_clear_to_color(black);
    return;
  }
  int clipX, clipY, clipWidth, clipHeight;
  al_get_clipping_rectangle(&clipX, &clipY, &clipWidth, &clipHeight);
  const int strips[4][4] = {{0, 0, width, top},
                            {0, bottom, width, height - bottom},
                            {0, top, left, bottom - top},
                            {right, top, width - right, bottom - top}};
  for (const auto& strip : strips) {
    if (strip[2] <= 0 || strip[3] <= 0) continue;
    al_set_clipping_rectangle(strip[0], strip[1], strip[2], strip[3]);
    al_clear_to_color(black);
  }
  al_set_clipping_rectangle(clipX, clipY, clipWidth, clipHeight);
}

// The outline: a dark ring on the cell's edge and a light one just inside
// it, on the frame above the heads-up band only.
void drawOutline(const Overlay& overlay, const View& view, const Player& player) {
  if (!overlay.outlined) return;
  const int x = overlay.col * kCellSize - view.viewLeft;
  const int y = overlay.row * kCellSize - view.viewTop;
  const int bottom = player.screenHeight - kHudLayout.barUp;
  for (int ring = 0; ring < 2; ++ring) {
    const Rgb8 rgb = ring == 0 ? kOutlineColour : kOutlineInnerColour;
    const ALLEGRO_COLOR colour = al_map_rgb(rgb.r, rgb.g, rgb.b);
    const int at = x + ring, top = y + ring, size = kCellSize - 2 * ring;
    const int edges[4][4] = {{at, top, size, 1},
                             {at, top + size - 1, size, 1},
                             {at, top + 1, 1, size - 2},
                             {at + size - 1, top + 1, 1, size - 2}};
    for (const auto& e : edges) {
      const int left = std::max(e[0], 0), high = std::max(e[1], 0);
      const int right = std::min(e[0] + e[2], player.screenWidth), end = std::min(e[1] + e[3], bottom);
      fillRectangle(left, high, right - left, end - high, colour);
    }
  }
}

}  // namespace

void composeFrame(const Player& player, const View& view, const RenderContext& context, const CellMap* map,
                  const Overlay& overlay, const NoticeList& notices) {
  const bool worldMap = map != nullptr && overlay.panel == Panel::kWorldMap;
  if (map != nullptr) {
    clearAroundMap(view);
    // One quad, drawn before drawing is held: the map's pixels are written
    // under a lock, which must not fall inside a held batch. Under the
    // world's map nothing of it would show.
    if (worldMap)
      drawCellMapAround(*map, view, mapPlaceFor(player.screenWidth, player.screenHeight));
    else
      drawCellMap(*map, view);
    al_hold_bitmap_drawing(true);
  } else {
    al_clear_to_color(al_map_rgb(0, 0, 0));
    al_hold_bitmap_drawing(true);
    drawCellsPerTile(view, *context.world);
  }
  drawHud(player, context.catalogue, context.font, context.buttonBitmap, context.hudBarBitmap);
  if (player.sprite != nullptr)
    al_draw_bitmap(player.sprite, static_cast<float>(view.spriteX), static_cast<float>(view.spriteY), 0);
  // The library does not flush held drawing at the flip: release it here.
  al_hold_bitmap_drawing(false);
  // The overlay is cleared into place, which is not to fall inside a held batch.
  drawOutline(overlay, view, player);
  if (worldMap) drawWorldMap(*map, player, view, context.font);
  const CardBox sprite = spriteBox(view.spriteX, view.spriteY);
  const bool helpCard = overlay.panel == Panel::kHelpCard;
  CardBox card{};
  if (helpCard) {
    card = helpCardBox(context.font, player.screenWidth, player.screenHeight, sprite);
    drawHelpCard(context.font, card);
  }
  if (notices.count > 0)
    drawNotices(context.font, notices,
                noticeBox(context.font, notices, player.screenWidth, player.screenHeight, sprite,
                          helpCard ? &card : nullptr));
}

bool updateMapFor(CellMap* map, const View& view, const World& world, const Overlay& overlay) {
  if (overlay.panel == Panel::kWorldMap) return updateWholeCellMap(map, world);
  return updateCellMap(map, view, world);
}

namespace {

// The record's fields as a frame shows them.
ShownFrame shownBy(const Player& player, const Overlay& overlay, const NoticeList& notices) {
  ShownFrame shown;
  shown.drawn = true;
  shown.x = player.x;
  shown.y = player.y;
  shown.counts[0] = player.dirtCount;
  shown.counts[1] = player.grassCount;
  shown.counts[2] = player.stoneCount;
  shown.counts[3] = player.goldCount;
  shown.selectedSlot = player.selectedSlot;
  shown.screenWidth = player.screenWidth;
  shown.screenHeight = player.screenHeight;
  shown.sprite = player.sprite;
  shown.overlay = overlay;
  shown.notices = notices;
  return shown;
}

bool showsTheSame(const ShownFrame& a, const ShownFrame& b) {
  return a.drawn && b.drawn && a.x == b.x && a.y == b.y && std::equal(a.counts, a.counts + 4, b.counts) &&
         a.selectedSlot == b.selectedSlot && a.screenWidth == b.screenWidth &&
         a.screenHeight == b.screenHeight && a.sprite == b.sprite && a.overlay == b.overlay &&
         a.notices.sameAs(b.notices);
}

}  // namespace

bool drawFrameIfChanged(ShownFrame* shown, const Player& player, const RenderContext& context, CellMap* map,
                        bool redraw, double now, const Overlay& overlay, const NoticeList& notices) {
  const View view = computeView(player.x, player.y, player.screenWidth, player.screenHeight);
  // The map is brought up to date whether or not the frame is drawn, so the
  // changes it finds are those since the last tick, and thus the last frame.
  const bool cellsChanged = map == nullptr || updateMapFor(map, view, *context.world, overlay);
  ShownFrame next = shownBy(player, overlay, notices);
  if (!cellsChanged && !redraw && showsTheSame(*shown, next) && now - shown->drawnAt < kLongestRedrawGap)
    return false;
  composeFrame(player, view, context, map, overlay, notices);
  next.drawnAt = now;
  *shown = next;
  return true;
}
