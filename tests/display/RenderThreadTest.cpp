// The waking protocol between the main thread and the render thread, without
// a display: the thread runs the game's waitForTick loop with a frame that
// only counts and checks the record it copied. Meant for the TSan build too.
// Then the render thread's tick on a display: when it draws, and what; and
// F12's pictures.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstring>
#include <random>
#include <thread>

#include <signal.h>
#include <sys/resource.h>

#include <ctime>
#include <filesystem>
#include <fstream>

#include "Artifacts.h"
#include "DisplaySupport.h"
#include "platform/LocalTime.h"
#include "platform/Picture.h"
#include "render/Frame.h"
#include "render/Screenshot.h"
#include "world/Terrain.h"

using namespace displaytest;

namespace {

// A record whose every field holds `n`, so a copy mixing two stores shows.
Player uniformRecord(int n) {
  Player p;
  p.x = p.y = static_cast<float>(n);
  p.dirtCount = p.grassCount = p.stoneCount = p.goldCount = n;
  p.sprite = reinterpret_cast<ALLEGRO_BITMAP*>(static_cast<uintptr_t>(n));
  p.onGround = p.loadRequested = static_cast<uint8_t>(n);
  p.selectedSlot = p.screenWidth = p.screenHeight = p.loadFailed = n;
  std::memset(p.keys, n & 0xFF, sizeof p.keys);
  return p;
}

// Whether every field of a copied record holds the same counter.
bool isUniform(const Player& p) {
  const Player u = uniformRecord(p.dirtCount);
  return p.x == u.x && p.y == u.y && p.grassCount == u.grassCount && p.stoneCount == u.stoneCount &&
         p.goldCount == u.goldCount && p.sprite == u.sprite && p.onGround == u.onGround &&
         p.selectedSlot == u.selectedSlot && std::memcmp(p.keys, u.keys, sizeof p.keys) == 0 &&
         p.screenWidth == u.screenWidth && p.screenHeight == u.screenHeight &&
         p.loadRequested == u.loadRequested && p.loadFailed == u.loadFailed;
}

// The lock, the condition and the live record, and what the thread saw.
struct Probe {
  Probe() {
    context.mutex = al_create_mutex();
    context.tickCond = al_create_cond();
    context.player = &live;
    live = uniformRecord(0);
  }
  ~Probe() {
    al_destroy_cond(context.tickCond);
    al_destroy_mutex(context.mutex);
  }
  RenderContext context{};
  Player live;
  std::atomic<int> waits{0};    // waitForTick calls begun
  std::atomic<int> frames{0};   // frames "drawn"
  std::atomic<int> torn{0};     // copies mixing two records
  std::atomic<int> redraws{0};  // ticks that brought a redraw request
};

// The render thread's loop, with a frame that counts and checks its copy.
void* countingThread(ALLEGRO_THREAD* thread, void* arg) {
  auto* probe = static_cast<Probe*>(arg);
  Player frame;
  bool redraw = false;
  for (;;) {
    probe->waits.fetch_add(1);
    if (!waitForTick(thread, &probe->context, &frame, &redraw)) break;
    if (redraw) probe->redraws.fetch_add(1);
    if (!isUniform(frame)) probe->torn.fetch_add(1);
    probe->frames.fetch_add(1);
  }
  return nullptr;
}

// Polls `done` until it holds or `millis` pass.
template <typename Done>
bool waitUntil(Done done, int millis) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(millis);
  while (!done()) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    std::this_thread::sleep_for(std::chrono::microseconds(100));
  }
  return true;
}

// Sleeps up to `most` microseconds, chosen at random.
void randomPause(std::mt19937& random, int most) {
  std::this_thread::sleep_for(std::chrono::microseconds(random() % (most + 1)));
}

TEST(RenderThreadProtocol, AStopLandingAnywhereEndsTheThread) {
  Watchdog watchdog(240, "200 start/stop cycles");
  std::mt19937 random(6011);
  for (int cycle = 0; cycle < 200; ++cycle) {
    Probe probe;
    ALLEGRO_THREAD* thread = al_create_thread(countingThread, &probe);
    ASSERT_NE(thread, nullptr);
    al_start_thread(thread);
    const int ticks = static_cast<int>(random() % 6);
    for (int tick = 0; tick < ticks; ++tick) {
      randomPause(random, 400);
      al_broadcast_cond(probe.context.tickCond);
    }
    randomPause(random, 400);
    requestRenderStop(thread, &probe.context);
    al_destroy_thread(thread);
    ASSERT_LE(probe.frames.load(), ticks + 1) << "cycle " << cycle;
  }
}

TEST(RenderThreadProtocol, OneFramePerAwaitedTickAndOneMoreAfterTheStop) {
  Watchdog watchdog(120, "the counting thread");
  Probe probe;
  ALLEGRO_THREAD* thread = al_create_thread(countingThread, &probe);
  ASSERT_NE(thread, nullptr);
  al_start_thread(thread);
  int broadcasts = 0;
  // Paced ticks: each comes once the thread is back at its wait; one that
  // came just before the wait is lost, and then the next tick is sent.
  for (int round = 0; round < 100; ++round) {
    if (round == 50) requestRedraw(&probe.context);  // taken by exactly one tick
    const int before = probe.frames.load();
    ASSERT_TRUE(waitUntil([&] { return probe.waits.load() == before + 1; }, 5000));
    do {
      al_broadcast_cond(probe.context.tickCond);
      ++broadcasts;
    } while (!waitUntil([&] { return probe.frames.load() > before; }, 20));
  }
  EXPECT_GE(probe.frames.load(), 100);
  EXPECT_LE(probe.frames.load(), broadcasts);
  // A burst: ticks that come while a frame is drawn wake nobody.
  for (int tick = 0; tick < 1000; ++tick) al_broadcast_cond(probe.context.tickCond);
  broadcasts += 1000;
  // Once the thread waits, the stop wakes it for exactly one more frame.
  ASSERT_TRUE(waitUntil([&] { return probe.waits.load() == probe.frames.load() + 1; }, 5000));
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  const int waiting = probe.frames.load();
  EXPECT_LE(waiting, broadcasts);
  requestRenderStop(thread, &probe.context);
  al_destroy_thread(thread);
  EXPECT_EQ(probe.frames.load(), waiting + 1);
  EXPECT_EQ(probe.torn.load(), 0);
  EXPECT_EQ(probe.redraws.load(), 1);
}

TEST(RenderThreadProtocol, StoredRecordsAreNeverCopiedTorn) {
  Watchdog watchdog(120, "the copying thread");
  Probe probe;
  ALLEGRO_THREAD* thread = al_create_thread(countingThread, &probe);
  ASSERT_NE(thread, nullptr);
  al_start_thread(thread);
  // Store without pause, waking the thread each time, until it has copied
  // a thousand records in the middle of the stores.
  for (int n = 1; probe.frames.load() < 1000; ++n) {
    storePlayer(&probe.context, uniformRecord(n));
    al_broadcast_cond(probe.context.tickCond);
  }
  requestRenderStop(thread, &probe.context);
  al_destroy_thread(thread);
  EXPECT_EQ(probe.torn.load(), 0);
}

// What one tick sees: the scene, whether a redraw was asked for, the time.
struct Tick {
  GameScene& scene;
  bool redraw;
  double now;
  NoticeList notices = {};
};

// One change between two ticks, and whether the picture shows it.
struct TickCase {
  const char* name;
  bool draws;
  void (*change)(Tick& t);
};

constexpr int kCol = 20, kRow = 100;  // a sky cell in view of a player at y 1150

void setCell(Tick& t, int col, BlockId kind) {
  writeCatalogueEntry(t.scene.world.get(), col, kRow, t.scene.shell.catalogue[kind]);
}

const TickCase kTickCases[] = {
    {"Place", true, [](Tick& t) { setCell(t, kCol, kStone); }},
    {"Dig", true, [](Tick& t) { setCell(t, kCol, kAir); }},
    {"CellOutOfView", false, [](Tick& t) { setCell(t, 600, kGold); }},
    {"Load", true, [](Tick& t) { generateWorldFromSeed(t.scene.world.get(), t.scene.shell.catalogue, 2); }},
    {"Count", true, [](Tick& t) { ++t.scene.shell.player.goldCount; }},
    {"StepRight", true, [](Tick& t) { t.scene.shell.player.x += 2.5f; }},
    {"Fall", true, [](Tick& t) { t.scene.shell.player.y += 2.5f; }},
    {"Slot", true, [](Tick& t) { t.scene.shell.player.selectedSlot = 3; }},
    {"Redraw", true, [](Tick& t) { t.redraw = true; }},
    {"OneSecondOn", true, [](Tick& t) { t.now += kLongestRedrawGap; }},
    {"NoticeShows", true,
     [](Tick& t) {
       t.notices = {1, 7, {"Saved the world!"}};
     }},
    {"NoticeGoes", true,
     [](Tick& t) {
       t.notices = {0, 8, {}};
     }},
};

// Tick after tick on one target, as the render thread does: an unchanged
// tick leaves the target as it was (painted over here beforehand), a change
// draws one frame, whole, as drawn from scratch one tile per cell. The size
// leaves the map short of the right and bottom edges.
TEST(RenderThreadTicks, DrawOnlyWhatChangedAndThenTheWholeFrame) {
  constexpr int w = 1445, h = 905;
  GameScene scene(w, h);
  ASSERT_TRUE(scene.ok());
  Shell& shell = scene.shell;
  shell.player.y = 1150.0f;
  ASSERT_EQ(cellAt(*scene.world, kCol, kRow).typeId, kAir);
  ALLEGRO_BITMAP* target = al_create_bitmap(w, h);
  ALLEGRO_BITMAP* scratch = al_create_bitmap(w, h);
  CellMap map;
  ASSERT_TRUE(target && scratch && createCellMap(&map, shell.catalogue));
  ShownFrame shown;
  Tick tick{scene, false, 100.0};
  al_set_target_bitmap(target);
  ASSERT_TRUE(drawFrameIfChanged(&shown, shell.player, shell.renderContext, &map, false, tick.now));
  for (const TickCase& c : kTickCases) {
    SCOPED_TRACE(c.name);
    al_set_target_bitmap(target);
    al_clear_to_color(al_map_rgb(255, 0, 255));
    const Image painted = readBitmap(target);
    tick.now += 0.1;
    tick.redraw = false;
    EXPECT_FALSE(drawFrameIfChanged(&shown, shell.player, shell.renderContext, &map, false, tick.now, {},
                                    tick.notices));
    EXPECT_TRUE(readBitmap(target).rgb == painted.rgb) << "an unchanged tick drew";
    c.change(tick);
    EXPECT_EQ(drawFrameIfChanged(&shown, shell.player, shell.renderContext, &map, tick.redraw, tick.now, {},
                                 tick.notices),
              c.draws);
    al_set_target_bitmap(scratch);
    drawFrame(shell.player, shell.renderContext, nullptr, {}, tick.notices);
    EXPECT_TRUE(readBitmap(target).rgb == (c.draws ? readBitmap(scratch) : painted).rgb);
  }
  destroyCellMap(&map);
  al_destroy_bitmap(target);
  al_destroy_bitmap(scratch);
}

// F12: every press asked for before a frame gets a picture of it, and a
// picture that a full disk (here a file-size limit) failed leaves nothing
// behind that fails the next one.
TEST(Screenshots, EveryPressGetsItsPictureAlsoAfterAFullDisk) {
  Probe probe;
  requestScreenshot(&probe.context);
  requestScreenshot(&probe.context);
  EXPECT_EQ(takeScreenshotRequests(&probe.context), 2);
  EXPECT_EQ(takeScreenshotRequests(&probe.context), 0);

  ASSERT_TRUE(startPictureLibrary());
  const std::filesystem::path dir = xharness::makeTempDir("screenshots");
  ALLEGRO_BITMAP* frame = createFrameCopy(300, 200);  // noise: too large to encode in one buffer
  ALLEGRO_LOCKED_REGION* region =
      al_lock_bitmap(frame, ALLEGRO_PIXEL_FORMAT_ABGR_8888, ALLEGRO_LOCK_WRITEONLY);
  ASSERT_NE(region, nullptr);
  std::mt19937 random(7);
  for (int y = 0; y < 200; ++y)
    for (int x = 0; x < 300 * 4; ++x) static_cast<uint8_t*>(region->data)[y * region->pitch + x] = random();
  al_unlock_bitmap(frame);
  std::string name, error;
  rlimit limit{}, none{0, 0};
  getrlimit(RLIMIT_FSIZE, &limit);
  none.rlim_max = limit.rlim_max;
  signal(SIGXFSZ, SIG_IGN);
  setrlimit(RLIMIT_FSIZE, &none);
  EXPECT_FALSE(writeNewPngFile(frame, (dir / "full").string(), &name, &error));
  setrlimit(RLIMIT_FSIZE, &limit);
  EXPECT_TRUE(writeNewPngFile(frame, (dir / "freed").string(), &name, &error)) << error;

  // The names of the next seconds are taken: both pictures take the next
  // numbers of their second's name and leave the taken files be.
  const std::time_t now = std::time(nullptr);
  std::vector<std::string> taken;
  for (std::time_t t = now; t < now + 10; ++t)
    taken.push_back(formatLocalTime(t, "TessalyShot-%Y%m%d-%H%M%S", "?"));
  for (const std::string& stem : taken) std::ofstream(dir / (stem + ".png")) << "taken";
  ScreenshotWriter* writer = createScreenshotWriter(dir.string(), 300, 200);
  takeScreenshot(writer, frame, 2);
  destroyScreenshotWriter(writer);
  al_destroy_bitmap(frame);
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(dir))
    if (entry.file_size() != 5) names.push_back(entry.path().filename());
  std::sort(names.begin(), names.end());
  ASSERT_EQ(names.size(), 3u);  // with "freed.png"
  EXPECT_EQ(names[1].substr(0, 27), names[0].substr(0, 27)) << names[0];
  EXPECT_TRUE(std::find(taken.begin(), taken.end(), names[0].substr(0, 27)) != taken.end()) << names[0];
  EXPECT_EQ(names[0].substr(27), "-2.png");
  EXPECT_EQ(names[1].substr(27), "-3.png");
  std::filesystem::remove_all(dir);
}

}  // namespace
