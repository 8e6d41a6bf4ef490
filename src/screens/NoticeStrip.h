// The notices drawn at the top of the game window.
#pragma once

#include <allegro5/allegro_font.h>

#include "screens/HelpCard.h"
#include "world/Notices.h"

// Where the notices stand: centred at the top of the window, or moved down
// past the sprite and the card (or to a side) so as to cover neither, and
// never over the band. The box holds every line, newest last.
CardBox noticeBox(ALLEGRO_FONT* font, const NoticeList& notices, int screenWidth, int screenHeight,
                  const CardBox& sprite, const CardBox* card);

// Draw the notices in `box`: white lines on a dark backing. Call it with
// drawing not held: the backing is cleared.
void drawNotices(ALLEGRO_FONT* font, const NoticeList& notices, const CardBox& box);
