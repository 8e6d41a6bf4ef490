// Mouse presses in the world: digging and placing.
#include "player/Editing.h"

#include <bit>
#include <climits>
#include <cmath>
#include <cstring>

namespace {

// One axis of screenToCell: the view rests against the low edge, the high edge,
// or follows the player.
int screenToCellAxis(double position, int screenSize, int pointer, int worldCells) {
  const int half = screenSize / 2;
  const int pointerCell = pointer / kCellSize;
  if (position - half < 0.0) return pointerCell;
  if (position > static_cast<double>(worldCells * kCellSize - half))
    return pointerCell + worldCells - screenSize / kCellSize;
  return static_cast<int>(std::trunc((position - half) / kCellSize + pointerCell));
}

}  // namespace

CellPosition screenToCell(int mouseX, int mouseY, const Player& player) {
  return {screenToCellAxis(player.x, player.screenWidth, mouseX, kWorldColumns),
          screenToCellAxis(player.y, player.screenHeight, mouseY, kWorldRows)};
}

bool canEditCell(const World& world, const Player& player, int col, int row) {
  const double cx = col * kCellSize;
  const double cy = row * kCellSize;
  const double x = player.x;
  const double y = player.y;
  if (!(x - kReach < cx && cx < x + kReach && y - kReach < cy && cy < y + kReach)) return false;
  auto open = [&](int c, int r) { return isInGrid(c, r) && cellAt(world, c, r).passable; };
  return open(col, row + 1) || open(col, row - 1) || open(col - 1, row) || open(col + 1, row);
}

namespace {

// The inventory count that holds blocks of `typeId`, or null for kinds not kept.
int32_t* countOf(Player* player, int32_t typeId) {
  switch (typeId) {
    case kDirt: return &player->dirtCount;
    case kGrass: return &player->grassCount;
    case kStone: return &player->stoneCount;
    case kGold: return &player->goldCount;
    default: return nullptr;
  }
}

// Dig the solid cell at (col, row) into the inventory if it may be edited.
Player dig(World* world, const BlockCatalogue catalogue, Player player, int col, int row) {
  if (!canEditCell(*world, player, col, row)) return player;
  if (int32_t* count = countOf(&player, cellAt(*world, col, row).typeId)) {
    if (*count == INT32_MAX) return player;  // a full count keeps the block in the world
    *count += 1;
  }
  const BlockId left = row > kLastAirRow ? kUnderground : kAir;
  writeCatalogueEntry(world, col, row, catalogue[left]);
  return player;
}

// Fill the open cell at (col, row) from the selected slot if it may be edited.
Player place(World* world, const BlockCatalogue catalogue, Player player, int col, int row) {
  const Cell& cell = cellAt(*world, col, row);
  if (!canEditCell(*world, player, col, row) || !cell.passable || cell.typeId == kNull) return player;
  Cell finished = cell;
  if (player.selectedSlot >= 1 && player.selectedSlot <= 4) {
    const int32_t kind = player.selectedSlot + 1;
    int32_t* count = countOf(&player, kind);
    if (*count != 0 && *count != INT32_MIN) {
      finished = catalogue[kind];
      *count -= 1;
    }
  }
  finished.x = static_cast<float>(col * kCellSize);
  finished.y = static_cast<float>(row * kCellSize);
  storeCell(world, cellIndex(col, row), finished);
  return player;
}

// Whether two cells save to the same bytes (a name is read up to its end).
bool sameSavedCell(const Cell& a, const Cell& b) {
  return std::strncmp(a.name, b.name, sizeof a.name) == 0 && a.typeId == b.typeId &&
         a.passable == b.passable && std::bit_cast<uint32_t>(a.x) == std::bit_cast<uint32_t>(b.x) &&
         std::bit_cast<uint32_t>(a.y) == std::bit_cast<uint32_t>(b.y);
}

}  // namespace

MousePress handleMouseDown(ALLEGRO_EVENT event, World* world, const BlockCatalogue catalogue, Player player) {
  const bool primary = event.mouse.button == 1;
  const CellPosition at = screenToCell(event.mouse.x, event.mouse.y, player);
  MousePress press{player, false};
  if (isInGrid(at.col, at.row)) {
    const Cell before = cellAt(*world, at.col, at.row);
    const bool block = !before.passable && before.typeId != kNull;
    if (!primary && !block) press.player = place(world, catalogue, player, at.col, at.row);
    if (primary && block) press.player = dig(world, catalogue, player, at.col, at.row);
    press.cellChanged = !sameSavedCell(before, cellAt(*world, at.col, at.row));
  }
  return press;
}
