// The game's shell without the start screen, and whole frames drawn on
// demand, for the drawing tests and the frame benchmarks.
#pragma once

#include <allegro5/allegro.h>
#include <allegro5/allegro_font.h>

#include <cstring>

#include "app/StartUp.h"
#include "render/Frame.h"
#include "render/Tiles.h"

// A shell for a game display of the given size: the library and its font
// addons must be running. Makes the display, the font from `fontPath`, the
// sprite, the HUD bitmaps, the catalogue's tiles and a render context
// complete apart from its world, through the game's own start-up steps; no
// queue, timer, input or render thread (whoever wants one creates and starts
// it). Returns null on success, otherwise the failure, with what was made
// left in `shell`.
inline const char* openShellForTests(Shell* shell, int width, int height, const char* fontPath) {
  al_set_new_display_flags(ALLEGRO_WINDOWED);
  shell->display = al_create_display(width, height);
  if (shell->display == nullptr) return "Failed to create display!\n";
  shell->font = al_load_font(fontPath, 12, 0);
  if (shell->font == nullptr) return "Unable to find font\n";
  shell->player = makeStartingPlayer();
  shell->player.screenWidth = width;
  shell->player.screenHeight = height;
  if (const char* failure = createPlayerBitmaps(shell)) return failure;
  if (!buildBlockCatalogue(shell->catalogue)) return "Failed to create the block tiles!\n";
  if (const char* failure = createHudBar(shell)) return failure;
  if (const char* failure = createRenderContext(shell)) return failure;
  std::memcpy(shell->renderContext.catalogue, shell->catalogue, sizeof shell->catalogue);
  al_set_target_backbuffer(shell->display);
  return nullptr;
}

// composeFrame with the map (if any) first brought up to date, whether
// anything changed or not.
inline void drawFrame(const Player& player, const RenderContext& context, CellMap* map,
                      const Overlay& overlay = {}, const NoticeList& notices = {}) {
  const View view = computeView(player.x, player.y, player.screenWidth, player.screenHeight);
  if (map != nullptr) updateMapFor(map, view, *context.world, overlay);
  composeFrame(player, view, context, map, overlay, notices);
}
