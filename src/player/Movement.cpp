// Walking, jumping and falling, one fixed step per tick.
#include "player/Movement.h"

Cell cellOrOpenSpace(const World& world, int col, int row) {
  if (isInGrid(col, row)) return cellAt(world, col, row);
  Cell open{};
  open.typeId = kAir;
  open.passable = 1;
  open.x = static_cast<float>(col * kCellSize);
  open.y = static_cast<float>(row * kCellSize);
  return open;
}

bool canMoveLeft(const Cell& lowerLeft, const Cell& upperLeft, float x) {
  if (x <= 0.0f) return false;
  if (lowerLeft.passable && upperLeft.passable) return true;
  if (static_cast<double>(x) == static_cast<double>(lowerLeft.x) + kCellSize) return false;
  if (static_cast<double>(x) == static_cast<double>(upperLeft.x) + kCellSize) return false;
  return true;
}

namespace {

// Whether the sprite, with its left edge at x, stays clear of the column of
// `cell` or that cell is open.
bool openOrBeyondReach(const Cell& cell, double x) {
  return cell.passable || static_cast<double>(cell.x) >= x + 10.0;
}

// Counters wrap instead of overflowing after a very long run.
int32_t addTicks(int32_t tick, int32_t count) {
  return static_cast<int32_t>(static_cast<uint32_t>(tick) + static_cast<uint32_t>(count));
}

}  // namespace

Player updatePlayer(Player player, const World* world, int32_t* tickCount, int32_t* jumpEndTick) {
  const int col = static_cast<int>(player.x) / kCellSize;
  const int row = static_cast<int>(player.y) / kCellSize;
  auto cell = [&](int c, int r) { return cellOrOpenSpace(*world, c, r); };

  if (player.keys[ALLEGRO_KEY_UP] == 1) {
    const bool headRoom = cell(col, row).passable && openOrBeyondReach(cell(col + 1, row), player.x);
    if (headRoom) {
      if (*jumpEndTick < *tickCount && player.onGround == 1) {
        *jumpEndTick = addTicks(*tickCount, kJumpTicks);
        player.onGround = 0;
      }
      if (*jumpEndTick > *tickCount) player.y = static_cast<float>(player.y - kJumpLift);
    }
  }

  if (player.keys[ALLEGRO_KEY_LEFT] == 1 && canMoveLeft(cell(col - 1, row + 1), cell(col - 1, row), player.x))
    player.x = static_cast<float>(player.x - kWalkStep);

  if (player.keys[ALLEGRO_KEY_RIGHT] == 1) {
    const float next = static_cast<float>(player.x + kWalkStep);
    const Cell upper = cell(col + 1, row);
    const Cell lower = cell(col + 1, row + 1);
    const bool bothOpen = upper.passable && lower.passable;
    const bool bothBeyond =
        static_cast<double>(upper.x) >= next + 10.0 && static_cast<double>(lower.x) >= next + 10.0;
    if (next < kRightBound && (bothOpen || bothBeyond)) player.x = next;
  }

  if (player.y >= kBottomBound) {
    player.onGround = 1;
  } else if (!cell(col, row + 2).passable) {
    player.onGround = 1;
  } else if (openOrBeyondReach(cell(col + 1, row + 2), player.x)) {
    player.y = static_cast<float>(player.y + kFallStep);
  } else {
    player.onGround = 1;
  }

  *tickCount = addTicks(*tickCount, 1);
  return player;
}

void endJump(int32_t tickCount, int32_t* jumpEndTick) { *jumpEndTick = tickCount; }
