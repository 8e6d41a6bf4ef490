// The help card F1 shows over the middle of the frame: every input of play.
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
    {"F2", "turn the sound off or on"},
    {"F1", "show or hide this card (Escape hides it too)"},
};
inline constexpr const char* kHelpNote =
    "A click changes only the outlined cell: one within reach that touches open space.";

// Where the card stands on a screen of the given size: its box, centred.
struct CardBox {
  int left, top, width, height;
};
CardBox helpCardBox(ALLEGRO_FONT* font, int screenWidth, int screenHeight);

// Draw the card, a white frame round black with white text, onto the current
// target. Call it with drawing not held: its background is cleared.
void drawHelpCard(ALLEGRO_FONT* font, int screenWidth, int screenHeight);

// Fill a rectangle of the current target with one colour (through the
// clipping rectangle, which is restored). Nothing for an empty rectangle.
void fillRectangle(int x, int y, int width, int height, ALLEGRO_COLOR colour);
