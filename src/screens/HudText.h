// The heads-up band's texts, worked out from the player record.
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
