// The heads-up band's texts and positions, worked out from the player record.
#include "screens/HudText.h"

#include <cstdio>

HudText formatHudText(const Player& player) {
  HudText text{};
  std::snprintf(text.playerX, sizeof text.playerX, "Player X: %.1f", static_cast<double>(player.x));
  std::snprintf(text.playerY, sizeof text.playerY, "Player Y: %.1f", static_cast<double>(player.y));
  std::snprintf(text.slots[0], sizeof text.slots[0], "1) Dirt: %d", static_cast<int>(player.dirtCount));
  std::snprintf(text.slots[1], sizeof text.slots[1], "2) Grass: %d", static_cast<int>(player.grassCount));
  std::snprintf(text.slots[2], sizeof text.slots[2], "3) Stone: %d", static_cast<int>(player.stoneCount));
  std::snprintf(text.slots[3], sizeof text.slots[3], "4) Gold: %d", static_cast<int>(player.goldCount));
  return text;
}

bool hudMarkerPosition(int selectedSlot, int screenHeight, int* x, int* y) {
  if (selectedSlot < 1 || selectedSlot > 4) return false;
  *x = (selectedSlot % 2 == 1) ? 138 : 238;
  *y = screenHeight - (selectedSlot <= 2 ? 38 : 18);
  return true;
}

void hudLinePosition(int line, int screenHeight, int* x, int* y) {
  if (line < 2) {
    *x = 10;
    *y = screenHeight - (line == 0 ? 40 : 20);
    return;
  }
  const int slot = line - 1;
  *x = (slot % 2 == 1) ? 150 : 250;
  *y = screenHeight - (slot <= 2 ? 40 : 20);
}
