// The heads-up band's texts and positions, worked out from the player record.
#pragma once

#include "player/Player.h"

// Longest line: "Player X: " and a float's 39 integer digits plus ".0".
constexpr int kHudLineBytes = 64;

// The six status lines, each bounded to its buffer whatever the values.
struct HudText {
  char playerX[kHudLineBytes];
  char playerY[kHudLineBytes];
  char slots[4][kHudLineBytes];  // "1) Dirt: %d" ... "4) Gold: %d"
};

HudText formatHudText(const Player& player);

// Where the selection marker stands for a slot on a screen of height H;
// false for a slot outside 1 to 4 (no marker).
bool hudMarkerPosition(int selectedSlot, int screenHeight, int* x, int* y);

// Screen position of status line `line` (0 Player X, 1 Player Y, 2..5 slots 1..4).
void hudLinePosition(int line, int screenHeight, int* x, int* y);
