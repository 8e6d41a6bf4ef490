// Tessaly: start up, build the world, play until the window closes.
#include <cstdio>
#include <cstring>
#include <memory>

#include "app/EventLoop.h"
#include "app/StartUp.h"
#include "world/SaveFile.h"
#include "world/Terrain.h"

int main() {
  // Console lines must show as they happen, also through a pipe.
  std::setvbuf(stdout, nullptr, _IOLBF, 0);
  std::printf("Starting Tessaly 0.69! Please note that this is mainly a debug window.\n");
  // 9.7 MB of cells: too large for the main thread's stack, so one block for the run.
  auto world = std::make_unique<World>();
  reserveSaveBuffer();

  const std::unique_ptr<Shell> shell = startUp();
  Player& player = shell->player;
  BlockType* catalogue = shell->catalogue;
  PlayState state{world.get(), catalogue, 0, 0};

  std::printf("Loading Blocks\n");
  if (!buildBlockCatalogue(catalogue)) {
    std::printf("Failed to create the block tiles!\n");
    releaseShell(shell.get());
    return 1;
  }
  if (player.loadRequested != 0) {
    std::printf("Loading a saved world\n");
    player = loadWorld(world.get(), player, catalogue);
    if (player.loadFailed == 1) {
      std::printf("Error Loading, making a new world instead.\n");
      generateWorld(world.get(), catalogue);
      player.loadFailed = 0;
    }
  } else {
    std::printf("Generating a New World\n");
    generateWorld(world.get(), catalogue);
  }

  al_start_timer(shell->tickTimer);
  std::printf("Spawning render thread!\n");
  std::memcpy(shell->renderContext.catalogue, catalogue, sizeof shell->catalogue);
  shell->renderContext.world = world.get();
  // The display's drawing context can be current on one thread only: give it
  // up before the render thread takes it.
  al_set_target_bitmap(nullptr);
  al_start_thread(shell->renderThread);
  std::printf("Starting to Draw.\n");

  runEventLoop(shell->eventQueue, &shell->event, &shell->renderContext, &player, &state);

  shutDown(shell.get());
  return 0;
}
