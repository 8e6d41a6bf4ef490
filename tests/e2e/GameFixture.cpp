// What the end-to-end tests share: helpers and the fixture.
#include "GameFixture.h"

#include <cstdio>
#include <fstream>
#include <thread>

#include "Artifacts.h"

namespace gametest {

void pause(int ms) { std::this_thread::sleep_for(milliseconds(ms)); }

bool spriteAt(const Image& img, int x, int y) {
  for (Point p : {Point{x, y}, Point{x + 9, y}, Point{x, y + 19}, Point{x + 9, y + 19}, Point{x + 5, y + 10}})
    if (!near(img.pixel(p.x, p.y), kSpriteColour)) return false;
  return true;
}

int spriteColumn(const Image& img, int row) {
  int run = 0;
  for (int x = 0; x < img.width; ++x) {
    run = near(img.pixel(x, row), kSpriteColour) ? run + 1 : 0;
    if (run == 10) return x - 9;
  }
  return -1;
}

Rgb cellColour(const Image& img, int x, int y) {
  Rgb c = img.pixel(x + 5, y + 5);
  for (Point p : {Point{x + 2, y + 2}, Point{x + 7, y + 2}, Point{x + 2, y + 7}, Point{x + 7, y + 7}})
    if (!near(img.pixel(p.x, p.y), c)) return {-1, -1, -1};
  return c;
}

std::string describe(Rgb c) {
  return "(" + std::to_string(c.r) + ", " + std::to_string(c.g) + ", " + std::to_string(c.b) + ")";
}

std::vector<int> positionsInOrder(const std::vector<std::string>& lines,
                                  const std::vector<std::string>& expected) {
  std::vector<int> at;
  size_t from = 0;
  for (const auto& text : expected) {
    size_t i = from;
    while (i < lines.size() && lines[i] != text) ++i;
    if (i == lines.size()) {
      at.resize(expected.size(), -1);
      return at;
    }
    at.push_back(static_cast<int>(i));
    from = i + 1;
  }
  return at;
}

int countOf(const std::vector<std::string>& lines, const std::string& text) {
  int n = 0;
  for (const auto& l : lines) n += l == text;
  return n;
}

bool contains(const std::vector<std::string>& lines, const std::string& text) {
  return countOf(lines, text) > 0;
}

std::string joined(const std::vector<std::string>& lines) {
  std::string all;
  for (const auto& l : lines) all += "  | " + l + "\n";
  return all;
}

// ---------------------------------------------------------------- fixture

void GameTest::SetUp() {
  workDir_ = makeTempDir("tessaly-e2e");
  ASSERT_FALSE(workDir_.empty());
  if (withFont_) fs::create_directory_symlink(TESSALY_DATA_DIR, workDir_ / "data");
  xvfb_ = std::make_unique<XvfbServer>();
  ASSERT_TRUE(xvfb_->ok()) << "Xvfb did not start";
  dpy_ = xvfb_->display();
}

void GameTest::TearDown() {
  if (HasFailure()) keepEvidence();
  game_.reset();
  xvfb_.reset();
  std::error_code ec;
  fs::remove_all(workDir_, ec);
}

void GameTest::keepEvidence() {
  const std::string base = artifactBase();
  if (base.empty()) return;
  Image shot = dpy_ && window_ != kNoWindow ? captureWindow(dpy_, window_) : Image{};
  if (shot.empty()) shot = lastShot_;
  if (shot.savePpm(base + ".ppm")) std::printf("screenshot saved to %s.ppm\n", base.c_str());
  if (game_) {
    std::ofstream(base + ".log") << game_->output();
    std::printf("console of the game:\n%s", joined(game_->lines()).c_str());
  }
}

void GameTest::launch() {
  game_.reset();
  window_ = kNoWindow;
  game_ = std::make_unique<GameProcess>(exe_, workDir_.string(), xvfb_->name(), environment_);
  ASSERT_TRUE(game_->started());
}

void GameTest::launchToStartScreen() {
  ASSERT_NO_FATAL_FAILURE(launch());
  window_ = waitForWindowSize(dpy_, kTitle, 640, 240, kStartTimeout);
  ASSERT_NE(window_, kNoWindow) << "no 640x240 start window titled \"" << kTitle << "\"\n"
                                << joined(game_->lines());
  ASSERT_TRUE(waitForImage(
      dpy_, window_,
      [](const Image& img) { return near(img.pixel(centreOf(kNewWorld).x, 163), kButtonGrey); },
      kStartTimeout, &lastShot_))
      << "the start screen was never drawn";
}

void GameTest::startPlaying(const std::vector<Point>& clicks, int width, int height) {
  ASSERT_NO_FATAL_FAILURE(launchToStartScreen());
  for (Point p : clicks) click(dpy_, window_, p.x, p.y);
  window_ = waitForWindowSize(dpy_, kTitle, width, height, kStartTimeout);
  ASSERT_NE(window_, kNoWindow) << "no " << width << "x" << height << " game window\n"
                                << joined(game_->lines());
  ASSERT_TRUE(game_->waitForLine("Starting to Draw.", kLineTimeout)) << joined(game_->lines());
}

bool GameTest::waitUntilResting(int x, milliseconds timeout) {
  return waitForImage(
      dpy_, window_,
      [x](const Image& img) { return spriteAt(img, x, 450) && near(img.pixel(x + 5, 471), kGrassTile); },
      timeout, &lastShot_);
}

Image GameTest::shot() {
  lastShot_ = captureWindow(dpy_, window_);
  return lastShot_;
}

int GameTest::settledSpriteColumn() {
  int previous = -2;
  for (int i = 0; i < 40; ++i) {
    int now = spriteColumn(shot(), 460);
    if (now >= 0 && now == previous) return now;
    previous = now;
    pause(150);
  }
  return -1;
}

void GameTest::holdKey(unsigned long keysym, int ms) {
  keyDown(dpy_, keysym);
  pause(ms);
  keyUp(dpy_, keysym);
}

bool GameTest::waitForCell(int x, int y, Rgb colour, milliseconds timeout) {
  return waitForImage(
      dpy_, window_, [&](const Image& img) { return near(cellColour(img, x, y), colour); }, timeout,
      &lastShot_);
}

void GameTest::closeGameAndExpectCleanExit() {
  sendCloseRequest(dpy_, window_);
  EXPECT_EQ(game_->waitForExit(kExitTimeout), 0) << joined(game_->lines());
}

}  // namespace gametest
