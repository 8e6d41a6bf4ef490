// The map of the whole world that M shows over the game, drawn from the cell map.
#include "render/MapOverlay.h"

#include <allegro5/allegro.h>

#include <algorithm>

#include "screens/HelpCard.h"

namespace {

ALLEGRO_COLOR colourOf(Rgb8 colour) { return al_map_rgb(colour.r, colour.g, colour.b); }

// The pixel at world position `position` on a map of this scale, kept
// within a map's size of it whatever the record holds.
int mapPixel(float position, int scale, int size) {
  const double pixel = static_cast<double>(position) * scale / kCellSize;
  return static_cast<int>(std::clamp(pixel, -static_cast<double>(size), 2.0 * size));
}

// Fill the part of a rectangle that lies inside the box (right and bottom exclusive).
void fillInside(int x, int y, int width, int height, int boxLeft, int boxTop, int boxRight, int boxBottom,
                ALLEGRO_COLOR colour) {
  const int left = std::max(x, boxLeft), top = std::max(y, boxTop);
  const int right = std::min(x + width, boxRight), bottom = std::min(y + height, boxBottom);
  fillRectangle(left, top, right - left, bottom - top, colour);
}

}  // namespace

MapMark mapMarkFor(const MapPlace& place, float x, float y) {
  return {place.left + mapPixel(x, place.scale, place.width()),
          place.top + mapPixel(y, place.scale, place.height()),
          std::max(2, kPlayerWidth * place.scale / kCellSize),
          std::max(3, kPlayerHeight * place.scale / kCellSize)};
}

void drawCellMapAround(const CellMap& map, const View& view, const MapPlace& place) {
  ALLEGRO_BITMAP* target = al_get_target_bitmap();
  const int width = al_get_bitmap_width(target), height = al_get_bitmap_height(target);
  // The map and its frame.
  const int left = place.left - 1, top = place.top - 1;
  const int right = place.left + place.width() + 1, bottom = place.top + place.height() + 1;
  const int strips[4][4] = {{0, 0, width, top},
                            {0, bottom, width, height - bottom},
                            {0, top, left, bottom - top},
                            {right, top, width - right, bottom - top}};
  int clipX, clipY, clipWidth, clipHeight;
  al_get_clipping_rectangle(&clipX, &clipY, &clipWidth, &clipHeight);
  for (const auto& strip : strips) {
    if (strip[2] <= 0 || strip[3] <= 0) continue;
    al_set_clipping_rectangle(strip[0], strip[1], strip[2], strip[3]);
    drawCellMap(map, view);
  }
  al_set_clipping_rectangle(clipX, clipY, clipWidth, clipHeight);
}

void drawWorldMap(const CellMap& map, const Player& player, const View& view, ALLEGRO_FONT* font) {
  const MapPlace place = mapPlaceFor(player.screenWidth, player.screenHeight);
  const int s = place.scale, left = place.left, top = place.top;
  const int right = left + place.width(), bottom = top + place.height();

  const ALLEGRO_COLOR frame = colourOf(kMapFrameColour);
  fillRectangle(left - 1, top - 1, place.width() + 2, 1, frame);
  fillRectangle(left - 1, bottom, place.width() + 2, 1, frame);
  fillRectangle(left - 1, top, 1, place.height(), frame);
  fillRectangle(right, top, 1, place.height(), frame);

  // Every map pixel is opaque: copied, not blended, as the world's frame does.
  int op, source, destination;
  al_get_blender(&op, &source, &destination);
  al_set_blender(ALLEGRO_ADD, ALLEGRO_ONE, ALLEGRO_ZERO);
  al_draw_scaled_bitmap(map.bitmap, 0.0f, 0.0f, static_cast<float>(kWorldColumns),
                        static_cast<float>(kWorldRows), static_cast<float>(left), static_cast<float>(top),
                        static_cast<float>(place.width()), static_cast<float>(place.height()), 0);
  al_set_blender(op, source, destination);

  // The cells the screen shows, as the frame drew them, outlined inside the map.
  if (view.columnBegin < view.columnEnd && view.rowBegin < view.rowEnd) {
    const int x0 = left + (view.firstColumn + view.columnBegin) * s;
    const int y0 = top + (view.firstRow + view.rowBegin) * s;
    const int x1 = left + (view.firstColumn + view.columnEnd) * s;  // exclusive
    const int y1 = top + (view.firstRow + view.rowEnd) * s;
    const ALLEGRO_COLOR ring = colourOf(kMapViewColour);
    const int edges[4][4] = {
        {x0, y0, x1 - x0, 1}, {x0, y1 - 1, x1 - x0, 1}, {x0, y0, 1, y1 - y0}, {x1 - 1, y0, 1, y1 - y0}};
    for (const auto& e : edges) fillInside(e[0], e[1], e[2], e[3], left, top, right, bottom, ring);
  }

  const MapMark mark = mapMarkFor(place, player.x, player.y);
  fillInside(mark.left, mark.top, mark.width, mark.height, left, top, right, bottom, colourOf(kPlayerColour));

  // The player's place, white on black, centred under the frame.
  const MapLine line = formatMapLine(player);
  const int textWidth = al_get_text_width(font, line.text);
  const int boxWidth = textWidth + 8, boxHeight = al_get_font_line_height(font) + 4;
  const int boxLeft = left + place.width() / 2 - boxWidth / 2, boxTop = bottom + 1;
  fillRectangle(boxLeft, boxTop, boxWidth, boxHeight, al_map_rgb(0, 0, 0));
  al_draw_text(font, al_map_rgb(255, 255, 255), static_cast<float>(boxLeft + 4),
               static_cast<float>(boxTop + 2), ALLEGRO_ALIGN_LEFT, line.text);
}
