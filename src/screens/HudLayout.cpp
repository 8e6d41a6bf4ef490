// The heads-up band's geometry: one table read by the drawing, the buttons'
// hit test and the view.
#include "screens/HudLayout.h"

bool hudMarkerPosition(int selectedSlot, int screenHeight, int* x, int* y) {
  if (selectedSlot < 1 || selectedSlot > 4) return false;
  const HudSpot& spot = kHudLayout.markers[selectedSlot - 1];
  *x = spot.x;
  *y = screenHeight - spot.up;
  return true;
}

void hudLinePosition(int line, int screenHeight, int* x, int* y) {
  const HudSpot& spot = kHudLayout.lines[line];
  *x = spot.x;
  *y = screenHeight - spot.up;
}

HudButton hudButtonAt(int x, int y, const Player& player) {
  for (const HudButtonPlace& place : kHudLayout.buttons)
    if (x > player.screenWidth - place.fromRight && y > player.screenHeight - place.up) return place.button;
  return HudButton::kNone;
}
