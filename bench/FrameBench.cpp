// Timing of whole frames of the real drawing code on a real display, one
// display per size: the per-tile frame, the cell-map frame (steady, one cell
// changed, every visible cell changed, and with the whole back buffer cleared
// first), the per-tile frame with six separate tile bitmaps instead of the
// atlas, the empty frame as the floor, the render thread's tick that finds
// nothing changed and draws nothing, and the cell-map frame with F12's copy
// of it for a picture. Then the overlay: the cell-map frame with the target
// outline and with the help card, and a tick of the pointer moving over one
// cell (the main thread's outline and the render thread's change test), and
// the cell-map frame while sounds play. Last, the map of the whole world (M)
// over the cell-map frame: steady, and with one cell changed, which the map
// reads the whole grid for.
// Needs an X server (DISPLAY); bench/run.sh starts one.
#include <allegro5/allegro.h>
#include <allegro5/allegro_font.h>
#include <allegro5/allegro_opengl.h>
#include <allegro5/allegro_ttf.h>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "TargetReport.h"
#include "TestShell.h"
#include "app/Pointer.h"
#include "app/StartUp.h"
#include "platform/Audio.h"
#include "player/Editing.h"
#include "render/Frame.h"
#include "render/Screenshot.h"
#include "world/Terrain.h"

namespace {

constexpr uint32_t kSeed = 20240611u;
// Mid-world, deep in the dirt and stone, off the cell grid on both axes.
constexpr float kPlayerX = 3602.5f;
constexpr float kPlayerY = 2402.5f;

struct ScreenSize {
  int width;
  int height;
};
constexpr ScreenSize kSizes[] = {{1280, 768}, {1440, 900}, {1680, 1050}, {1920, 1200}};

// Everything a frame of one display size needs: the game's shell and worlds.
struct Scene {
  int width = 0;
  int height = 0;
  Shell shell;
  std::unique_ptr<World> world;
  // The same world with every cell on another tile, for whole-world changes.
  std::unique_ptr<World> otherWorld;
  CellMap map;
  bool haveMap = false;
  // Six tiles of their own instead of the atlas, with a catalogue and a world using them.
  ALLEGRO_BITMAP* ownTiles[6] = {};
  BlockCatalogue ownCatalogue = {};
  std::unique_ptr<World> ownWorld;
  RenderContext ownContext = {};
};

std::unique_ptr<Scene> currentScene;
std::string sceneFailure;

// Make sure every drawing command of the frame has been carried out.
void finishFrame() {
  al_flip_display();
  glFinish();
}

// Release everything the scene made, the shell last.
void destroyScene(Scene* scene) {
  if (scene->shell.display != nullptr) al_set_target_backbuffer(scene->shell.display);
  if (scene->haveMap) destroyCellMap(&scene->map);
  for (ALLEGRO_BITMAP* tile : scene->ownTiles)
    if (tile != nullptr) al_destroy_bitmap(tile);
  releaseShell(&scene->shell);
}

// A bitmap of one colour on the current display, or null.
ALLEGRO_BITMAP* filledBitmap(int width, int height, ALLEGRO_COLOR colour) {
  ALLEGRO_BITMAP* bitmap = al_create_bitmap(width, height);
  if (bitmap == nullptr) return nullptr;
  al_set_target_bitmap(bitmap);
  al_clear_to_color(colour);
  return bitmap;
}

// The kind every cell of `world` changes to in the other world: always another tile.
BlockId otherKind(int32_t typeId) {
  switch (typeId) {
    case kAir: return kDirt;
    case kDirt: return kStone;
    case kStone: return kGold;
    case kGold: return kGrass;
    default: return kAir;  // Null, Grass, Underground
  }
}

// Open the shell and build the worlds for one size; the reason on failure.
std::string buildScene(Scene* scene, int width, int height) {
  scene->width = width;
  scene->height = height;
  if (const char* failure = openShellForTests(&scene->shell, width, height, TESSALY_DATA_DIR "/arial.ttf"))
    return std::string("the game shell: ") + failure;
  Shell& shell = scene->shell;
  if (al_get_display_width(shell.display) != width || al_get_display_height(shell.display) != height)
    return "the display came out at another size (the X screen is too small?)";

  scene->world = std::make_unique<World>();
  generateWorldFromSeed(scene->world.get(), shell.catalogue, kSeed);
  scene->otherWorld = std::make_unique<World>();
  for (int col = 0; col < kWorldColumns; ++col)
    for (int row = 0; row < kWorldRows; ++row)
      writeCatalogueEntry(scene->otherWorld.get(), col, row,
                          shell.catalogue[otherKind(cellAt(*scene->world, col, row).typeId)]);

  shell.player.x = kPlayerX;
  shell.player.y = kPlayerY;
  shell.player.dirtCount = 123;
  shell.player.stoneCount = 45;
  shell.renderContext.world = scene->world.get();

  // The first frame fills the font's glyph cache.
  drawFrame(shell.player, shell.renderContext, nullptr);
  finishFrame();
  return "";
}

// The scene for this size, made now if the last one was of another size; null on failure.
Scene* sceneFor(benchmark::State& state, int width, int height) {
  if (currentScene != nullptr && currentScene->width == width && currentScene->height == height)
    return currentScene.get();
  if (currentScene != nullptr) destroyScene(currentScene.get());
  currentScene = std::make_unique<Scene>();
  sceneFailure = buildScene(currentScene.get(), width, height);
  if (!sceneFailure.empty()) {
    destroyScene(currentScene.get());
    currentScene.reset();
  }
  if (currentScene == nullptr) state.SkipWithError(sceneFailure.c_str());
  return currentScene.get();
}

// The scene's cell map, made on first use; false if it cannot be made.
bool ensureMap(Scene* scene) {
  if (!scene->haveMap) scene->haveMap = createCellMap(&scene->map, scene->shell.catalogue);
  return scene->haveMap;
}

// The scene of a width x height display with its cell map made, or null
// with the benchmark's error set.
Scene* mapSceneFor(benchmark::State& state, int width, int height) {
  Scene* scene = sceneFor(state, width, height);
  if (scene != nullptr && !ensureMap(scene)) {
    state.SkipWithError("cannot create the cell map");
    return nullptr;
  }
  return scene;
}

// The six separate tiles and a world drawn with them, made on first use.
bool ensureOwnTiles(Scene* scene) {
  if (scene->ownWorld != nullptr) return true;
  static constexpr int kTileOf[kBlockKinds] = {0, 1, 2, 3, 4, 5, 0};
  for (int t = 0; t < 6; ++t) {
    scene->ownTiles[t] =
        filledBitmap(kCellSize, kCellSize, al_get_pixel(scene->shell.catalogue[t].bitmap, 0, 0));
    if (scene->ownTiles[t] == nullptr) return false;
  }
  for (int id = 0; id < kBlockKinds; ++id) {
    scene->ownCatalogue[id] = scene->shell.catalogue[id];
    scene->ownCatalogue[id].bitmap = scene->ownTiles[kTileOf[id]];
  }
  scene->ownWorld = std::make_unique<World>();
  generateWorldFromSeed(scene->ownWorld.get(), scene->ownCatalogue, kSeed);
  scene->ownContext = scene->shell.renderContext;
  for (int id = 0; id < kBlockKinds; ++id) scene->ownContext.catalogue[id] = scene->ownCatalogue[id];
  scene->ownContext.world = scene->ownWorld.get();
  al_set_target_backbuffer(scene->shell.display);
  drawFrame(scene->shell.player, scene->ownContext, nullptr);
  finishFrame();
  return true;
}

// Clear and flip only: the floor of every frame.
void emptyFrameBench(benchmark::State& state, int width, int height) {
  if (sceneFor(state, width, height) == nullptr) return;
  for (auto _ : state) {
    al_clear_to_color(al_map_rgb(0, 0, 0));
    finishFrame();
  }
}

// One tile per visible cell, all from the atlas.
void perTileFrameBench(benchmark::State& state, int width, int height) {
  Scene* scene = sceneFor(state, width, height);
  if (scene == nullptr) return;
  for (auto _ : state) {
    drawFrame(scene->shell.player, scene->shell.renderContext, nullptr);
    finishFrame();
  }
}

// One tile per visible cell, each kind a bitmap of its own.
void perTileSixBitmapsFrameBench(benchmark::State& state, int width, int height) {
  Scene* scene = sceneFor(state, width, height);
  if (scene == nullptr) return;
  if (!ensureOwnTiles(scene)) {
    state.SkipWithError("cannot create the six tiles");
    return;
  }
  for (auto _ : state) {
    drawFrame(scene->shell.player, scene->ownContext, nullptr);
    finishFrame();
  }
}

// The cell map with nothing changed since the last frame.
void mapFrameBench(benchmark::State& state, int width, int height) {
  Scene* scene = mapSceneFor(state, width, height);
  if (scene == nullptr) return;
  drawFrame(scene->shell.player, scene->shell.renderContext, &scene->map);  // bring the map up to date
  finishFrame();
  for (auto _ : state) {
    drawFrame(scene->shell.player, scene->shell.renderContext, &scene->map);
    finishFrame();
  }
}

// The steady cell-map frame with a sound started before each, far more than
// the voices hold, so that the oldest gives way every time. Without a sound
// device it measures nothing more than mapFrame: OpenAL's wave output
// (ALSOFT_CONF naming a file with [general] drivers=wave) gives it one.
void mapFrameWithSoundsBench(benchmark::State& state, int width, int height) {
  static Audio* const audio = startAudio();
  state.counters["audio"] = audio != nullptr;
  Scene* scene = mapSceneFor(state, width, height);
  if (scene == nullptr) return;
  drawFrame(scene->shell.player, scene->shell.renderContext, &scene->map);
  finishFrame();
  for (auto _ : state) {
    playSound(audio, Sound::kDigStone);
    drawFrame(scene->shell.player, scene->shell.renderContext, &scene->map);
    finishFrame();
  }
}

// The steady cell-map frame with the copy F12 makes of it before the flip.
void mapFrameWithPictureCopyBench(benchmark::State& state, int width, int height) {
  Scene* scene = sceneFor(state, width, height);
  if (scene == nullptr) return;
  ALLEGRO_BITMAP* copy = createFrameCopy(width, height);
  if (!ensureMap(scene) || copy == nullptr) {
    state.SkipWithError("cannot create the cell map or the copy");
    if (copy != nullptr) al_destroy_bitmap(copy);
    return;
  }
  ALLEGRO_BITMAP* backbuffer = al_get_backbuffer(scene->shell.display);
  drawFrame(scene->shell.player, scene->shell.renderContext, &scene->map);
  finishFrame();
  for (auto _ : state) {
    drawFrame(scene->shell.player, scene->shell.renderContext, &scene->map);
    if (!copyFramePixels(backbuffer, copy)) state.SkipWithError("the frame cannot be copied");
    finishFrame();
  }
  al_destroy_bitmap(copy);
}

// The steady cell-map frame after a clear of the whole back buffer, as every
// frame began before the clear was cut to what the map leaves uncovered.
void mapFrameFullClearBench(benchmark::State& state, int width, int height) {
  Scene* scene = mapSceneFor(state, width, height);
  if (scene == nullptr) return;
  drawFrame(scene->shell.player, scene->shell.renderContext, &scene->map);
  finishFrame();
  for (auto _ : state) {
    al_clear_to_color(al_map_rgb(0, 0, 0));
    drawFrame(scene->shell.player, scene->shell.renderContext, &scene->map);
    finishFrame();
  }
}

// The render thread's tick when nothing changed since its last frame: the
// change test alone (the visible cells and the record), no drawing, no flip.
void unchangedTickBench(benchmark::State& state, int width, int height) {
  Scene* scene = mapSceneFor(state, width, height);
  if (scene == nullptr) return;
  ShownFrame shown;
  drawFrameIfChanged(&shown, scene->shell.player, scene->shell.renderContext, &scene->map, false, 0.0);
  finishFrame();
  for (auto _ : state)
    if (drawFrameIfChanged(&shown, scene->shell.player, scene->shell.renderContext, &scene->map, false,
                           0.5)) {
      state.SkipWithError("a tick with nothing changed drew a frame");
      break;
    }
}

// The cell map with one visible cell switching between Stone and Gold every frame.
void mapFrameOneCellBench(benchmark::State& state, int width, int height) {
  Scene* scene = mapSceneFor(state, width, height);
  if (scene == nullptr) return;
  const int col = static_cast<int>(kPlayerX) / kCellSize + 3;
  const int row = static_cast<int>(kPlayerY) / kCellSize + 3;
  const Cell original = cellAt(*scene->world, col, row);
  drawFrame(scene->shell.player, scene->shell.renderContext, &scene->map);
  finishFrame();
  bool gold = false;
  for (auto _ : state) {
    gold = !gold;
    writeCatalogueEntry(scene->world.get(), col, row, scene->shell.catalogue[gold ? kGold : kStone]);
    drawFrame(scene->shell.player, scene->shell.renderContext, &scene->map);
    finishFrame();
  }
  storeCell(scene->world.get(), cellIndex(col, row), original);
}

// The cell map when every visible cell changed tile since the last frame (a load).
void mapFrameAllCellsBench(benchmark::State& state, int width, int height) {
  Scene* scene = mapSceneFor(state, width, height);
  if (scene == nullptr) return;
  RenderContext context = scene->shell.renderContext;
  bool other = false;
  for (auto _ : state) {
    other = !other;
    context.world = other ? scene->otherWorld.get() : scene->world.get();
    drawFrame(scene->shell.player, context, &scene->map);
    finishFrame();
  }
}

// The steady cell-map frame with an overlay: a cell next to the player
// outlined, or the help card.
void mapFrameOverlayBench(benchmark::State& state, int width, int height, bool card) {
  Scene* scene = mapSceneFor(state, width, height);
  if (scene == nullptr) return;
  Overlay overlay;
  overlay.outlined = !card;
  overlay.col = static_cast<int>(kPlayerX) / kCellSize + 2;
  overlay.row = static_cast<int>(kPlayerY) / kCellSize;
  overlay.panel = card ? Panel::kHelpCard : Panel::kNone;
  drawFrame(scene->shell.player, scene->shell.renderContext, &scene->map, overlay);
  finishFrame();
  for (auto _ : state) {
    drawFrame(scene->shell.player, scene->shell.renderContext, &scene->map, overlay);
    finishFrame();
  }
}
void mapFrameOutlinedBench(benchmark::State& state, int width, int height) {
  mapFrameOverlayBench(state, width, height, false);
}
void mapFrameCardBench(benchmark::State& state, int width, int height) {
  mapFrameOverlayBench(state, width, height, true);
}

// The steady cell-map frame with three notices at the top.
void mapFrameNoticesBench(benchmark::State& state, int width, int height) {
  Scene* scene = mapSceneFor(state, width, height);
  if (scene == nullptr) return;
  const NoticeList notices{
      3, 0, {"Saved the world!", "Autosaved the world!", "Saved a picture: TessalyShot-20261209-120000.png"}};
  drawFrame(scene->shell.player, scene->shell.renderContext, &scene->map, {}, notices);
  finishFrame();
  for (auto _ : state) {
    drawFrame(scene->shell.player, scene->shell.renderContext, &scene->map, {}, notices);
    finishFrame();
  }
}

// A tick while the pointer moves within one cell the player could dig: the
// main thread works out the outline for each position, and the render
// thread finds nothing to draw.
void pointerInOneCellTickBench(benchmark::State& state, int width, int height) {
  Scene* scene = mapSceneFor(state, width, height);
  if (scene == nullptr) return;
  // Clear a sky pocket beside the player, so the block beyond it can be dug.
  const Player& player = scene->shell.player;
  const int col = static_cast<int>(kPlayerX) / kCellSize, row = static_cast<int>(kPlayerY) / kCellSize;
  const View view = computeView(player.x, player.y, width, height);
  const Cell kept[2] = {cellAt(*scene->world, col + 2, row), cellAt(*scene->world, col + 3, row)};
  writeCatalogueEntry(scene->world.get(), col + 2, row, scene->shell.catalogue[kAir]);
  writeCatalogueEntry(scene->world.get(), col + 3, row, scene->shell.catalogue[kStone]);
  PointerState pointer{true, (col + 3) * kCellSize - view.viewLeft + 3, row * kCellSize - view.viewTop + 3};
  ShownFrame shown;
  drawFrameIfChanged(&shown, player, scene->shell.renderContext, &scene->map, false, 0.0,
                     overlayFor(pointer, *scene->world, player));
  finishFrame();
  if (!shown.overlay.outlined) state.SkipWithError("the cell is not outlined");
  int step = 0;
  for (auto _ : state) {
    pointer.x += (++step % 2 == 0) ? 1 : -1;
    const Overlay overlay = overlayFor(pointer, *scene->world, player);
    if (drawFrameIfChanged(&shown, player, scene->shell.renderContext, &scene->map, false, 0.5, overlay)) {
      state.SkipWithError("the pointer moving within one cell drew a frame");
      break;
    }
  }
  for (int i = 0; i < 2; ++i) storeCell(scene->world.get(), cellIndex(col + 2 + i, row), kept[i]);
}

// The cell-map frame with the map of the whole world shown, steady or with
// one cell switching between Stone and Gold every frame.
void mapFrameWorldMapBench(benchmark::State& state, int width, int height, bool change) {
  Scene* scene = mapSceneFor(state, width, height);
  if (scene == nullptr) return;
  const Overlay overlay{.panel = Panel::kWorldMap};
  const int col = static_cast<int>(kPlayerX) / kCellSize + 3;
  const int row = static_cast<int>(kPlayerY) / kCellSize + 3;
  const Cell original = cellAt(*scene->world, col, row);
  drawFrame(scene->shell.player, scene->shell.renderContext, &scene->map, overlay);
  finishFrame();
  bool gold = false;
  for (auto _ : state) {
    if (change) {
      gold = !gold;
      writeCatalogueEntry(scene->world.get(), col, row, scene->shell.catalogue[gold ? kGold : kStone]);
    }
    drawFrame(scene->shell.player, scene->shell.renderContext, &scene->map, overlay);
    finishFrame();
  }
  storeCell(scene->world.get(), cellIndex(col, row), original);
}
void mapFrameWithWorldMapBench(benchmark::State& state, int width, int height) {
  mapFrameWorldMapBench(state, width, height, false);
}
void mapFrameWithWorldMapOneCellBench(benchmark::State& state, int width, int height) {
  mapFrameWorldMapBench(state, width, height, true);
}

// The OpenGL renderer's name, from a small display made for the purpose;
// empty without a display.
std::string rendererName() {
  ALLEGRO_DISPLAY* display = al_create_display(64, 64);
  if (display == nullptr) return "";
  const auto* name = reinterpret_cast<const char*>(glGetString(GL_RENDERER));
  std::string result = name != nullptr ? name : "unknown";
  al_destroy_display(display);
  return result;
}

// Register one frame benchmark under "name/WxH".
void registerFrame(const char* name, void (*bench)(benchmark::State&, int, int), const ScreenSize& size,
                   benchmark::TimeUnit unit = benchmark::kMillisecond) {
  const std::string fullName =
      std::string(name) + "/" + std::to_string(size.width) + "x" + std::to_string(size.height);
  benchmark::RegisterBenchmark(fullName.c_str(), bench, size.width, size.height)
      ->Unit(unit)
      ->MeasureProcessCPUTime()  // llvmpipe rasterises on threads of its own
      ->UseRealTime();
}

}  // namespace

int main(int argc, char** argv) {
  if (!al_init() || !al_init_font_addon() || !al_init_ttf_addon()) {
    std::printf("Cannot start the library\n");
    return 1;
  }
  if (std::getenv("DISPLAY") == nullptr) std::printf("No DISPLAY: run through bench/run.sh or xvfb-run\n");
  benchmark::AddCustomContext("renderer", rendererName());
  // Grouped by size, so each display is made once.
  for (const ScreenSize& size : kSizes) {
    registerFrame("emptyFrame", emptyFrameBench, size);
    registerFrame("perTileFrame", perTileFrameBench, size);
    registerFrame("mapFrame", mapFrameBench, size);
    if (size.width == 1440) registerFrame("mapFrameWithSounds", mapFrameWithSoundsBench, size);
    registerFrame("mapFrameFullClear", mapFrameFullClearBench, size);
    registerFrame("unchangedTick", unchangedTickBench, size, benchmark::kMicrosecond);
    registerFrame("mapFrameOneCellChanged", mapFrameOneCellBench, size);
    registerFrame("mapFrameAllCellsChanged", mapFrameAllCellsBench, size);
    registerFrame("perTileFrameSixBitmaps", perTileSixBitmapsFrameBench, size);
    registerFrame("mapFrameWithPictureCopy", mapFrameWithPictureCopyBench, size);
    registerFrame("mapFrameOutlined", mapFrameOutlinedBench, size);
    registerFrame("mapFrameCard", mapFrameCardBench, size);
    registerFrame("mapFrameNotices", mapFrameNoticesBench, size);
    registerFrame("pointerInOneCellTick", pointerInOneCellTickBench, size, benchmark::kMicrosecond);
    registerFrame("mapFrameWithWorldMap", mapFrameWithWorldMapBench, size);
    registerFrame("mapFrameWithWorldMapOneCellChanged", mapFrameWithWorldMapOneCellBench, size);
  }
  const int status = runBenchmarks(
      argc, argv,
      {{"per-tile frame 1440x900", "perTileFrame/1440x900", "", 16.7},
       {"map frame / empty frame, 1440x900", "mapFrame/1440x900", "emptyFrame/1440x900", 6.0},
       {"map frame 1680x1050", "mapFrame/1680x1050", "", 5.0},
       {"tick with nothing changed 1440x900", "unchangedTick/1440x900", "", 0.05},
       {"map frame / map frame with full clear, 1440x900", "mapFrame/1440x900", "mapFrameFullClear/1440x900",
        0},
       {"per-tile frame / empty frame, 1440x900", "perTileFrame/1440x900", "emptyFrame/1440x900", 0},
       {"six-bitmap per-tile / atlas per-tile, 1440x900", "perTileFrameSixBitmaps/1440x900",
        "perTileFrame/1440x900", 0},
       {"map frame, one cell changed / steady, 1440x900", "mapFrameOneCellChanged/1440x900",
        "mapFrame/1440x900", 0},
       {"map frame, all cells changed / steady, 1440x900", "mapFrameAllCellsChanged/1440x900",
        "mapFrame/1440x900", 0},
       // A tick with a picture may take two ticks' time: one frame skipped at most.
       {"map frame + picture copy 1440x900", "mapFrameWithPictureCopy/1440x900", "", 33.3},
       {"map frame + picture copy 1920x1200", "mapFrameWithPictureCopy/1920x1200", "", 33.3},
       // The outline costs no measurable time; the card is shown only now and then.
       {"map frame with outline / map frame, 1440x900", "mapFrameOutlined/1440x900", "mapFrame/1440x900",
        1.1},
       {"map frame with sounds / map frame, 1440x900", "mapFrameWithSounds/1440x900", "mapFrame/1440x900",
        1.1},
       {"map frame with help card / map frame, 1440x900", "mapFrameCard/1440x900", "mapFrame/1440x900", 0},
       {"map frame with three notices / map frame, 1440x900", "mapFrameNotices/1440x900", "mapFrame/1440x900",
        0},
       {"tick, pointer moving in one cell 1440x900", "pointerInOneCellTick/1440x900", "", 0.05},
       // The world's map covers what it hides: its frame costs little more.
       {"map frame with the world's map / map frame, 1440x900", "mapFrameWithWorldMap/1440x900",
        "mapFrame/1440x900", 1.2},
       {"map frame with the world's map / map frame, 1920x1200", "mapFrameWithWorldMap/1920x1200",
        "mapFrame/1920x1200", 1.2},
       {"world's map, one cell changed / steady, 1440x900", "mapFrameWithWorldMapOneCellChanged/1440x900",
        "mapFrameWithWorldMap/1440x900", 0}});
  if (currentScene != nullptr) destroyScene(currentScene.get());
  return status;
}
