// Walking, jumping and falling, one fixed step per tick.
#pragma once

#include "player/Player.h"
#include "world/World.h"

constexpr double kWalkStep = 2.5;        // pixels per tick, left and right
constexpr double kFallStep = 2.5;        // pixels per tick
constexpr double kJumpLift = 5.0;        // pixels per tick while a jump lifts
constexpr int32_t kJumpTicks = 10;       // ticks a jump lifts
constexpr double kRightBound = 7190.0;   // a right step needs the new x below this
constexpr double kBottomBound = 4720.0;  // no fall once y reaches this

// The cell at (col, row), or open space for positions outside the grid, so
// that only the world's bounds hold the player there.
Cell cellOrOpenSpace(const World& world, int col, int row);

// Whether a left step is allowed, from the cells left of the sprite's lower and
// upper half and the sprite's x. A blocked cell stops the sprite only when its
// left edge lies exactly on that cell's right edge.
bool canMoveLeft(const Cell& lowerLeft, const Cell& upperLeft, float x);

// One tick of movement: jump, left, right, fall, in that order, all tested
// against the cells around the position at entry. Raises *tickCount by one.
Player updatePlayer(Player player, const World* world, int32_t* tickCount, int32_t* jumpEndTick);

// A record loaded from a file starts with no jump in progress: the lift of a
// jump begun before the load stops at once, and a new jump needs the ground.
void endJump(int32_t tickCount, int32_t* jumpEndTick);
