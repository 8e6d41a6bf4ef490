// Tessaly: start up, build the world, play until the window closes. The
// threads are made and ended in app/StartUp.cpp (its table says which).
#include <cstdio>
#include <cstring>
#include <memory>
#include <new>
#include <string>

#include "app/EventLoop.h"
#include "app/StartUp.h"
#include "platform/DataFolder.h"
#include "platform/Interruptions.h"
#include "render/Tiles.h"
#include "save/SaveWriter.h"
#include "world/Terrain.h"

namespace {

// What the main thread needs when the X server goes away in play.
SaveWriter* playSaves = nullptr;
const World* playWorld = nullptr;
const Player* livePlayer = nullptr;

// Keep the changes not yet saved before the process ends without its display.
void autosaveForLostDisplay() {
  if (playSaves != nullptr) finishWrites(playSaves, *playWorld, *livePlayer);
}

// Which game this is, chosen when it is built (TESSALY_INSTALLED, 0 or 1):
// the one run from its source tree works in the working directory and finds
// its font in ./data; the installed one works in the player's own data folder
// and loads the system's copy of that font (TESSALY_FONT_FILE).
constexpr bool kInstalled = TESSALY_INSTALLED;
constexpr const char* kFontPath = kInstalled ? TESSALY_FONT_FILE : kFallbackFontPath;

// The installed game's files all go into the player's data folder, made on
// the first start: it becomes the working directory before any thread exists,
// so the save, the kept saves, the autosave, the temporary file and the
// pictures, all relative names, land there.
void enterPlayersFolder() {
  const std::string folder = dataFolderFromEnvironment();
  std::string error;
  if (!makeDataFolder(folder, &error) || !enterFolder(folder, &error)) {
    error += '\n';
    failStartUp(nullptr, error.c_str());
  }
}

}  // namespace

int main() {
  // Before any thread exists, so that every thread has them blocked and the
  // signal thread alone takes them.
  blockTerminationSignals();
  // Console lines must show as they happen, also through a pipe.
  std::setvbuf(stdout, nullptr, _IOLBF, 0);
  std::printf("Starting Tessaly " TESSALY_VERSION "! Please note that this is mainly a debug window.\n");
  if (kInstalled) enterPlayersFolder();
  // 9.7 MB of cells: too large for the main thread's stack, so one block for the run.
  const std::unique_ptr<World> world(new (std::nothrow) World());
  if (world == nullptr) failStartUp(nullptr, "Failed to allocate the world!\n");
  if (!reserveSaveBuffer()) failStartUp(nullptr, "Failed to allocate the save buffer!\n");

  const std::unique_ptr<Shell> shell = startUp(kFontPath);
  Player& player = shell->player;
  BlockType* catalogue = shell->catalogue;
  SaveWriter* saves = shell->saves;
  SoundCues sounds{shell->audio};
  PlayState state{world.get(), catalogue, 0, 0, saves, false, &sounds};

  std::printf("Loading Blocks\n");
  // Like any start-up failure: the library's exit handler releases the rest.
  if (!buildBlockCatalogue(catalogue)) failStartUp(shell.get(), "Failed to create the block tiles!\n");
  if (player.loadRequested != 0) {
    std::printf("Loading a saved world\n");
    player = loadSavedWorld(saves, world.get(), player, catalogue);
    if (player.loadFailed == 1) {
      std::printf("Error Loading, making a new world instead.\n");
      generateWorld(world.get(), catalogue);
      player.loadFailed = 0;
    }
  } else {
    std::printf("Generating a New World\n");
    generateWorld(world.get(), catalogue);
  }
  // Changes are counted from the world as play begins.
  markSaved(saves, player);
  playSaves = saves, playWorld = world.get(), livePlayer = &player;
  setDisplayLostAction(autosaveForLostDisplay);

  al_start_timer(shell->tickTimer);
  std::printf("Spawning render thread!\n");
  std::memcpy(shell->renderContext.catalogue, catalogue, sizeof shell->catalogue);
  shell->renderContext.world = world.get();
  // The display's drawing context can be current on one thread only: give it
  // up before the render thread takes it.
  al_set_target_bitmap(nullptr);
  startDrawing(&shell->renderContext);
  std::printf("Starting to Draw.\n");

  runEventLoop(shell->eventQueue, &shell->event, &shell->renderContext, &player, &state);
  // No event is read any more: a thread that meets a lost X server from now
  // on ends the process itself instead of waiting for this one.
  stopReadingDisplayLoss();

  // The process ends only once the changes not yet saved are on disk.
  finishWrites(saves, *world, player);
  setDisplayLostAction(nullptr);
  playSaves = nullptr;
  shutDown(shell.get());
  return 0;
}
