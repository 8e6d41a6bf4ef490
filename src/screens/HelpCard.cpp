// The help card F1 shows over the frame, beside the sprite.
#include "screens/HelpCard.h"

#include <algorithm>
#include <iterator>

#include "screens/HudLayout.h"

namespace {

constexpr int kPadding = 12;    // inside the frame, all round
constexpr int kColumnGap = 16;  // between an input and its action
constexpr int kLineGap = 4;     // added to the font's line height

int lineStep(ALLEGRO_FONT* font) { return al_get_font_line_height(font) + kLineGap; }

// The width of the inputs' column.
int inputColumnWidth(ALLEGRO_FONT* font) {
  int width = 0;
  for (const HelpLine& line : kHelpLines) width = std::max(width, al_get_text_width(font, line.input));
  return width;
}

}  // namespace

CardBox helpCardBox(ALLEGRO_FONT* font, int screenWidth, int screenHeight, const CardBox& sprite) {
  int actions = 0;
  for (const HelpLine& line : kHelpLines) actions = std::max(actions, al_get_text_width(font, line.action));
  const int inner = std::max({inputColumnWidth(font) + kColumnGap + actions,
                              al_get_text_width(font, kHelpTitle), al_get_text_width(font, kHelpNote)});
  // The title, a gap, the lines, a gap, the note.
  const int rows = static_cast<int>(std::size(kHelpLines)) + 4;
  const int width = inner + 2 * kPadding;
  const int height = rows * lineStep(font) - kLineGap + 2 * kPadding;
  const int bottom = screenHeight - kHudLayout.barUp;  // the room above the band
  const int spriteRight = sprite.left + sprite.width, spriteBottom = sprite.top + sprite.height;
  const int middleLeft = (screenWidth - width) / 2, middleTop = (bottom - height) / 2;
  const CardBox places[] = {
      {middleLeft, (screenHeight - height) / 2, width, height},
      {spriteRight + (screenWidth - spriteRight - width) / 2, middleTop, width, height},
      {(sprite.left - width) / 2, middleTop, width, height},
      {middleLeft, (sprite.top - height) / 2, width, height},
      {middleLeft, spriteBottom + (bottom - spriteBottom - height) / 2, width, height},
  };
  for (const CardBox& place : places)
    if (!place.overlaps(sprite) && place.left >= 0 && place.top >= 0 && place.left + width <= screenWidth &&
        place.top + height <= bottom)
      return place;
  return places[0];
}

void drawHelpCard(ALLEGRO_FONT* font, const CardBox& box) {
  const ALLEGRO_COLOR white = al_map_rgb(255, 255, 255);
  fillRectangle(box.left, box.top, box.width, box.height, white);
  fillRectangle(box.left + 1, box.top + 1, box.width - 2, box.height - 2, al_map_rgb(0, 0, 0));
  const float left = static_cast<float>(box.left + kPadding);
  const float actions = left + static_cast<float>(inputColumnWidth(font) + kColumnGap);
  const int step = lineStep(font);
  int y = box.top + kPadding;
  al_hold_bitmap_drawing(true);
  al_draw_text(font, white, static_cast<float>(box.left + box.width / 2), static_cast<float>(y),
               ALLEGRO_ALIGN_CENTRE, kHelpTitle);
  y += 2 * step;
  for (const HelpLine& line : kHelpLines) {
    al_draw_text(font, white, left, static_cast<float>(y), ALLEGRO_ALIGN_LEFT, line.input);
    al_draw_text(font, white, actions, static_cast<float>(y), ALLEGRO_ALIGN_LEFT, line.action);
    y += step;
  }
  al_draw_text(font, white, left, static_cast<float>(y + step), ALLEGRO_ALIGN_LEFT, kHelpNote);
  al_hold_bitmap_drawing(false);
}

void fillRectangle(int x, int y, int width, int height, ALLEGRO_COLOR colour) {
  if (width <= 0 || height <= 0) return;
  int clipX, clipY, clipWidth, clipHeight;
  al_get_clipping_rectangle(&clipX, &clipY, &clipWidth, &clipHeight);
  al_set_clipping_rectangle(x, y, width, height);
  al_clear_to_color(colour);
  al_set_clipping_rectangle(clipX, clipY, clipWidth, clipHeight);
}
