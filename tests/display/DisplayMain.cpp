// The drawing tests' process: its own Xvfb, the library started once, then
// the tests. Also the helpers they share.
#include <gtest/gtest.h>

// After GoogleTest: X11's headers define macros such as None.
#include <allegro5/allegro_ttf.h>
#include <allegro5/allegro_x.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>

#include "Artifacts.h"
#include "DisplaySupport.h"
#include "screens/HudLayout.h"
#include "screens/HudText.h"
#include "world/Terrain.h"

namespace displaytest {

namespace {

xharness::XvfbServer* server = nullptr;

// The fallback font the game ships, found from this source file's place.
std::string fontPath() {
  return (std::filesystem::path(__FILE__).parent_path().parent_path().parent_path() / "data" / "arial.ttf")
      .string();
}

}  // namespace

Display* xDisplay() { return server->display(); }

ALLEGRO_BITMAP* makeFilledBitmap(int width, int height, Rgb colour) {
  ALLEGRO_BITMAP* bitmap = al_create_bitmap(width, height);
  if (bitmap == nullptr) return nullptr;
  ALLEGRO_BITMAP* previous = al_get_target_bitmap();
  al_set_target_bitmap(bitmap);
  al_clear_to_color(al_map_rgb(colour.r, colour.g, colour.b));
  al_set_target_bitmap(previous);
  return bitmap;
}

Image readBitmap(ALLEGRO_BITMAP* bitmap) {
  Image image;
  ALLEGRO_LOCKED_REGION* region =
      al_lock_bitmap(bitmap, ALLEGRO_PIXEL_FORMAT_ABGR_8888_LE, ALLEGRO_LOCK_READONLY);
  if (region == nullptr) return image;
  image.width = al_get_bitmap_width(bitmap);
  image.height = al_get_bitmap_height(bitmap);
  image.rgb.resize(static_cast<size_t>(image.width) * image.height * 3);
  uint8_t* out = image.rgb.data();
  for (int y = 0; y < image.height; ++y) {
    const auto* row = static_cast<const uint8_t*>(region->data) + static_cast<ptrdiff_t>(y) * region->pitch;
    for (int x = 0; x < image.width; ++x, out += 3) std::memcpy(out, row + 4 * x, 3);
  }
  al_unlock_bitmap(bitmap);
  return image;
}

Image captureDisplay(ALLEGRO_DISPLAY* display, const std::function<bool(const Image&)>& accept) {
  Image image;
  xharness::waitForImage(xDisplay(), al_get_x_window_id(display), accept, xharness::Millis(5000), &image);
  return image;
}

void saveArtifact(const Image& image, const std::string& suffix) {
  const std::string base = xharness::artifactBase();
  if (base.empty()) return;
  const std::string path = base + suffix + ".ppm";
  if (image.savePpm(path)) std::printf("failure image: %s\n", path.c_str());
}

void Mismatches::check(bool ok, int x, int y, Rgb seen, const char* expected) {
  if (ok) return;
  if (++count_ <= 4) {
    char line[160];
    std::snprintf(line, sizeof line, "(%d,%d) is (%d,%d,%d), expected %s; ", x, y, seen.r, seen.g, seen.b,
                  expected);
    first_ += line;
  }
}

std::string Mismatches::summary() const { return std::to_string(count_) + " pixels wrong: " + first_; }

Box centredTextBox(ALLEGRO_FONT* font, const char* text, int centre, int top) {
  const int half = al_get_text_width(font, text) / 2;
  return {centre - half - 2, top, centre + half + 3, top + al_get_font_line_height(font) + 1};
}

Watchdog::Watchdog(int seconds, const char* what)
    : thread_([this, seconds, what] {
        std::unique_lock<std::mutex> lock(mutex_);
        if (!dismissed_.wait_for(lock, std::chrono::seconds(seconds), [this] { return done_; })) {
          std::fprintf(stderr, "watchdog: %s did not finish within %d s\n", what, seconds);
          std::fflush(stderr);
          std::_Exit(3);
        }
      }) {}

Watchdog::~Watchdog() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    done_ = true;
  }
  dismissed_.notify_one();
  thread_.join();
}

std::vector<Box> hudElementBoxes(const Player& player, ALLEGRO_FONT* font) {
  const int w = player.screenWidth, h = player.screenHeight;
  const HudText text = formatHudText(player);  // its wording: the logic tests' HudText.*
  const char* lines[6] = {text.playerX,  text.playerY,  text.slots[0],
                          text.slots[1], text.slots[2], text.slots[3]};
  std::vector<Box> boxes;
  const int lineHeight = al_get_font_line_height(font);
  for (int i = 0; i < 6; ++i) {
    const HudSpot& at = kHudLayout.lines[i];
    boxes.push_back(
        {at.x - 1, h - at.up, at.x + al_get_text_width(font, lines[i]) + 2, h - at.up + lineHeight + 1});
  }
  for (const HudSpot& m : kHudLayout.markers)
    boxes.push_back({m.x, h - m.up, m.x + kCellSize, h - m.up + kCellSize});
  const int size = kHudLayout.buttonSize;
  for (const HudButtonPlace& b : kHudLayout.buttons)
    boxes.push_back({w - b.fromRight, h - b.up, w - b.fromRight + size, h - b.up + size});
  return boxes;
}

GameScene::GameScene(int width, int height) {
  const std::string font = fontPath();
  failure = openShellForTests(&shell, width, height, font.c_str());
  if (failure != nullptr) {
    ADD_FAILURE() << "the game shell: " << failure;
    return;
  }
  world = std::make_unique<World>();
  generateWorldFromSeed(world.get(), shell.catalogue, 1);
  shell.renderContext.world = world.get();
}

void GameScene::setScreen(int width, int height) {
  if (al_get_bitmap_width(shell.hudBarBitmap) != width) {
    al_destroy_bitmap(shell.hudBarBitmap);
    shell.hudBarBitmap = makeFilledBitmap(width, kHudLayout.barHeight, kBlack);
    shell.renderContext.hudBarBitmap = shell.hudBarBitmap;
  }
  shell.player.screenWidth = width;
  shell.player.screenHeight = height;
}

GameScene::~GameScene() { releaseShell(&shell); }

}  // namespace displaytest

int main(int argc, char** argv) {
  testing::InitGoogleTest(&argc, argv);
  // Listing the tests (ctest's discovery) needs no server.
  if (testing::GTEST_FLAG(list_tests)) return RUN_ALL_TESTS();
  xharness::XvfbServer server(1920, 1200, 24);
  if (!server.ok()) {
    std::fprintf(stderr, "Xvfb did not start\n");
    return 1;
  }
  setenv("DISPLAY", server.name().c_str(), 1);
  displaytest::server = &server;
  if (!al_init() || !al_init_font_addon() || !al_init_ttf_addon()) {
    std::fprintf(stderr, "the library did not start\n");
    return 1;
  }
  const int result = RUN_ALL_TESTS();
  // Take the library down while its X server still runs.
  al_uninstall_system();
  return result;
}
