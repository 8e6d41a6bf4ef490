// The help card F1 shows over the frame, beside the sprite: every input of play.
#pragma once

#include <allegro5/allegro.h>
#include <allegro5/allegro_font.h>

// One line of the card: the input, and what it does.
struct HelpLine {
  const char* input;
  const char* action;
};

inline constexpr const char* kHelpTitle = "Tessaly: keys and mouse";
inline constexpr HelpLine kHelpLines[] = {
    {"A / Left, D / Right", "walk"},
    {"W / Up", "jump (hold for repeated jumps)"},
    {"1, 2, 3, 4", "choose the slot: Dirt, Grass, Stone, Gold"},
    {"Mouse wheel", "down: the next slot, up: the previous one"},
    {"Left button", "dig the outlined block into the inventory"},
    {"Right or middle button", "place a block from the slot into the outlined cell"},
    {"Save / Load", "left click: write / read the save file"},
    {"F12", "save a picture of the screen"},
    {"M", "show or hide the map of the whole world (Escape hides it too)"},
    {"F2", "turn the sound off or on"},
    {"F1", "show or hide this card (Escape hides it too)"},
};
inline constexpr const char* kHelpNote =
    "A click changes only the outlined cell: one within reach that touches open space.";

// A box on screen.
struct CardBox {
  int left, top, width, height;
  bool overlaps(const CardBox& other) const {
    return left < other.left + other.width && other.left < left + width && top < other.top + other.height &&
           other.top < top + height;
  }
};

// The sprite's box on screen.
inline CardBox spriteBox(int spriteX, int spriteY) { return {spriteX, spriteY, 10, 20}; }

// Where the card stands on a screen of the given size: centred, unless it
// would cover the sprite; then in the middle of the room right of, left of,
// above or below the sprite, the first of these it fits in above the band.
CardBox helpCardBox(ALLEGRO_FONT* font, int screenWidth, int screenHeight, const CardBox& sprite);

// Draw the card, a white frame round black with white text, onto the current
// target in `box`. Call it with drawing not held: its background is cleared.
void drawHelpCard(ALLEGRO_FONT* font, const CardBox& box);

// Fill a rectangle of the current target with one colour (through the
// clipping rectangle, which is restored). Nothing for an empty rectangle.
void fillRectangle(int x, int y, int width, int height, ALLEGRO_COLOR colour);
