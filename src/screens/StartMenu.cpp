// The start screen's picture: display size and a new or saved world.
#include "screens/StartMenu.h"

#include "screens/HelpCard.h"
#include "screens/StartMenuLogic.h"

void drawStartMenu(ALLEGRO_BITMAP* menuButtonBitmap, ALLEGRO_FONT* font, int picked) {
  al_clear_to_color(al_map_rgb(0, 0, 0));
  const ALLEGRO_COLOR white = al_map_rgb(255, 255, 255);
  al_draw_text(font, white, 320.0f, 10.0f, ALLEGRO_ALIGN_CENTRE, "Resolution Selection");
  al_draw_text(font, white, 320.0f, 120.0f, ALLEGRO_ALIGN_CENTRE, "New Game or Load?");
  for (const StartButton& button : kStartButtonTable)
    al_draw_bitmap(menuButtonBitmap, static_cast<float>(button.left), static_cast<float>(button.top), 0);
  if (picked >= 0 && picked < kStartButtons) {
    // Two pixels wide, two pixels clear of the tile.
    const StartButton& button = kStartButtonTable[picked];
    const int left = button.left - 4, top = button.top - 4;
    const int width = kStartButtonWidth + 8, height = kStartButtonHeight + 8;
    fillRectangle(left, top, width, 2, white);
    fillRectangle(left, top + height - 2, width, 2, white);
    fillRectangle(left, top, 2, height, white);
    fillRectangle(left + width - 2, top, 2, height, white);
  }
  const ALLEGRO_COLOR black = al_map_rgb(0, 0, 0);
  for (const StartButton& button : kStartButtonTable)
    al_draw_text(font, black, static_cast<float>(button.labelX), static_cast<float>(button.labelY),
                 ALLEGRO_ALIGN_CENTRE, button.label);
  al_flip_display();
}
