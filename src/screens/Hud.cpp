// The heads-up band along the bottom of the game screen.
#include "screens/Hud.h"

#include "screens/HudLayout.h"
#include "screens/HudText.h"

void drawHud(const Player& player, const BlockType* catalogue, ALLEGRO_FONT* font,
             ALLEGRO_BITMAP* buttonBitmap, ALLEGRO_BITMAP* hudBarBitmap) {
  const int width = player.screenWidth;
  const int height = player.screenHeight;
  const HudText text = formatHudText(player);
  const ALLEGRO_COLOR white = al_map_rgb(255, 255, 255);
  const ALLEGRO_COLOR black = al_map_rgb(0, 0, 0);

  al_draw_bitmap(hudBarBitmap, 0.0f, static_cast<float>(height - kHudLayout.barUp), 0);
  const char* lines[6] = {text.playerX,  text.playerY,  text.slots[0],
                          text.slots[1], text.slots[2], text.slots[3]};
  // Drawn in the order: both positions, then slots 1, 2, 3, 4.
  for (int line = 0; line < 6; ++line) {
    int x, y;
    hudLinePosition(line, height, &x, &y);
    al_draw_text(font, white, static_cast<float>(x), static_cast<float>(y), ALLEGRO_ALIGN_LEFT, lines[line]);
  }
  int markerX, markerY;
  if (hudMarkerPosition(player.selectedSlot, height, &markerX, &markerY))
    al_draw_bitmap(catalogue[player.selectedSlot + 1].bitmap, static_cast<float>(markerX),
                   static_cast<float>(markerY), 0);

  for (const HudButtonPlace& place : kHudLayout.buttons) {
    al_draw_bitmap(buttonBitmap, static_cast<float>(width - place.fromRight),
                   static_cast<float>(height - place.up), 0);
    al_draw_text(font, black, static_cast<float>(width - place.labelFromRight),
                 static_cast<float>(height - place.labelUp), ALLEGRO_ALIGN_CENTRE, place.label);
  }
}
