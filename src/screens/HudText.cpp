// The heads-up band's texts, worked out from the player record.
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
