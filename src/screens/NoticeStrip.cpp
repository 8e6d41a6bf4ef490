// The notices drawn at the top of the game window.
#include "screens/NoticeStrip.h"

#include <algorithm>

#include "screens/HudLayout.h"

namespace {

constexpr int kMargin = 8;   // from the window's top, and from what it keeps clear of
constexpr int kPadding = 6;  // inside the backing, all round
constexpr int kLineGap = 2;  // added to the font's line height

int lineStep(ALLEGRO_FONT* font) { return al_get_font_line_height(font) + kLineGap; }

}  // namespace

CardBox noticeBox(ALLEGRO_FONT* font, const NoticeList& notices, int screenWidth, int screenHeight,
                  const CardBox& sprite, const CardBox* card) {
  int inner = 0;
  for (int i = 0; i < notices.count; ++i)
    inner = std::max(inner, al_get_text_width(font, notices.lines[i].c_str()));
  const int width = inner + 2 * kPadding;
  const int height = notices.count * lineStep(font) - kLineGap + 2 * kPadding;
  const int bottom = screenHeight - kHudLayout.barUp;
  const CardBox none{0, 0, 0, 0};
  const CardBox* obstacles[2] = {&sprite, card != nullptr ? card : &none};
  CardBox first{};
  for (int left : {(screenWidth - width) / 2, kMargin, screenWidth - width - kMargin}) {
    CardBox box{left, kMargin, width, height};
    // Down past whatever it would cover, until it covers nothing.
    for (int step = 0; step < 4; ++step)
      for (const CardBox* obstacle : obstacles)
        if (box.overlaps(*obstacle)) box.top = obstacle->top + obstacle->height + kMargin;
    if (left == (screenWidth - width) / 2) first = box;
    if (box.top + height <= bottom && !box.overlaps(sprite) && !box.overlaps(*obstacles[1])) return box;
  }
  return first;
}

void drawNotices(ALLEGRO_FONT* font, const NoticeList& notices, const CardBox& box) {
  fillRectangle(box.left, box.top, box.width, box.height, al_map_rgb(24, 24, 24));
  const ALLEGRO_COLOR white = al_map_rgb(255, 255, 255);
  al_hold_bitmap_drawing(true);
  for (int i = 0; i < notices.count; ++i)
    al_draw_text(font, white, static_cast<float>(box.left + box.width / 2),
                 static_cast<float>(box.top + kPadding + i * lineStep(font)), ALLEGRO_ALIGN_CENTRE,
                 notices.lines[i].c_str());
  al_hold_bitmap_drawing(false);
}
