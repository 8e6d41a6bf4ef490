// Mouse presses in the world: digging and placing.
#include "player/Editing.h"

#include <bit>
#include <climits>
#include <cmath>
#include <cstring>

#include "player/ViewEdges.h"

CellPosition screenToCell(int mouseX, int mouseY, const Player& player) {
  const ViewEdges view = viewEdges(player.x, player.y, player.screenWidth, player.screenHeight);
  return {floorDiv(view.left + mouseX, kCellSize), floorDiv(view.top + mouseY, kCellSize)};
}

bool inReach(const Player& player, int col, int row) {
  const double cx = col * kCellSize;
  const double cy = row * kCellSize;
  const double x = player.x;
  const double y = player.y;
  return x - kReach < cx && cx < x + kReach && y - kReach < cy && cy < y + kReach;
}

bool canEditCell(const World& world, const Player& player, int col, int row) {
  if (!inReach(player, col, row)) return false;
  auto open = [&](int c, int r) { return isInGrid(c, r) && cellAt(world, c, r).passable; };
  return open(col, row + 1) || open(col, row - 1) || open(col - 1, row) || open(col + 1, row);
}

namespace {

// The inventory count that holds blocks of `typeId`, or null for kinds not kept.
int32_t Player::*countOf(int32_t typeId) {
  switch (typeId) {
    case kDirt: return &Player::dirtCount;
    case kGrass: return &Player::grassCount;
    case kStone: return &Player::stoneCount;
    case kGold: return &Player::goldCount;
    default: return nullptr;
  }
}

// What a placement into an open, editable cell does with the selected slot.
PressAction placement(const Player& player) {
  if (player.selectedSlot < 1 || player.selectedSlot > 4) return PressAction::kPlaceNothing;
  const int32_t count = player.*countOf(player.selectedSlot + 1);
  return count != 0 && count != INT32_MIN ? PressAction::kPlace : PressAction::kPlaceNothing;
}

// Whether two cells save to the same bytes (a name is read up to its end).
bool sameSavedCell(const Cell& a, const Cell& b) {
  return std::strncmp(a.name, b.name, sizeof a.name) == 0 && a.typeId == b.typeId &&
         a.passable == b.passable && std::bit_cast<uint32_t>(a.x) == std::bit_cast<uint32_t>(b.x) &&
         std::bit_cast<uint32_t>(a.y) == std::bit_cast<uint32_t>(b.y);
}

}  // namespace

PressTarget pressTarget(const World& world, const Player& player, int mouseX, int mouseY, int button) {
  PressTarget target{screenToCell(mouseX, mouseY, player), PressAction::kNothing};
  const auto [col, row] = target.cell;
  if (!isInGrid(col, row) || !canEditCell(world, player, col, row)) return target;
  const Cell& cell = cellAt(world, col, row);
  if (button == 1) {
    // Only a block is dug, and a full count keeps it in the world.
    const bool block = !cell.passable && cell.typeId != kNull;
    const auto count = countOf(cell.typeId);
    if (block && (count == nullptr || player.*count != INT32_MAX)) target.action = PressAction::kDig;
  } else if (cell.passable && cell.typeId != kNull) {
    target.action = placement(player);
  }
  return target;
}

bool clickChangesCell(const World& world, const Player& player, int mouseX, int mouseY, CellPosition* cell) {
  for (int button : {1, 2}) {
    const PressTarget target = pressTarget(world, player, mouseX, mouseY, button);
    if (target.action == PressAction::kDig || target.action == PressAction::kPlace) {
      *cell = target.cell;
      return true;
    }
  }
  return false;
}

MousePress handleMouseDown(ALLEGRO_EVENT event, World* world, const BlockCatalogue catalogue, Player player) {
  const PressTarget target = pressTarget(*world, player, event.mouse.x, event.mouse.y, event.mouse.button);
  MousePress press{player, false};
  if (target.action == PressAction::kNothing) return press;
  const auto [col, row] = target.cell;
  const Cell before = cellAt(*world, col, row);
  Cell finished = before;
  if (target.action == PressAction::kDig) {
    if (const auto count = countOf(before.typeId)) press.player.*count += 1;
    finished = catalogue[row > kLastAirRow ? kUnderground : kAir];
  } else if (target.action == PressAction::kPlace) {
    const int32_t kind = player.selectedSlot + 1;
    press.player.*countOf(kind) -= 1;
    finished = catalogue[kind];
  }
  finished.x = static_cast<float>(col * kCellSize);
  finished.y = static_cast<float>(row * kCellSize);
  storeCell(world, cellIndex(col, row), finished);
  press.cellChanged = !sameSavedCell(before, cellAt(*world, col, row));
  return press;
}
