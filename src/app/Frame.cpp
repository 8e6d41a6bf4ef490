// One frame: the cells around the player, the heads-up band, the sprite.
#include "app/Frame.h"

#include "screens/Hud.h"

void drawCellsPerTile(const View& view, const World& world) {
  for (int j = view.rowBegin; j < view.rowEnd; ++j)
    for (int i = view.columnBegin; i < view.columnEnd; ++i) {
      const Cell& cell = cellAt(world, view.firstColumn + i, view.firstRow + j);
      al_draw_bitmap(loadTile(cell), static_cast<float>(kCellSize * i - view.shiftX),
                     static_cast<float>(kCellSize * j - view.shiftY), 0);
    }
}

void drawFrame(const Player& player, const RenderContext& context, CellMap* map) {
  al_clear_to_color(al_map_rgb(0, 0, 0));
  const View view = computeView(player.x, player.y, player.screenWidth, player.screenHeight);
  if (map != nullptr) {
    // One quad, drawn before drawing is held: the map's pixels are written
    // under a lock, which must not fall inside a held batch.
    updateCellMap(map, view, *context.world);
    drawCellMap(*map, view);
    al_hold_bitmap_drawing(true);
  } else {
    al_hold_bitmap_drawing(true);
    drawCellsPerTile(view, *context.world);
  }
  drawHud(player, context.catalogue, context.font, context.buttonBitmap, context.hudBarBitmap);
  if (player.sprite != nullptr)
    al_draw_bitmap(player.sprite, static_cast<float>(view.spriteX), static_cast<float>(view.spriteY), 0);
  // The library does not flush held drawing at the flip: release it here.
  al_hold_bitmap_drawing(false);
}
