// What the end-to-end tests share: the game's fixed places and colours, the
// picture and console helpers, and the fixture that
// runs the real game under its own X server in a fresh working directory.
#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "X11Harness.h"

namespace gametest {

namespace fs = std::filesystem;
using namespace xharness;
using std::chrono::milliseconds;

constexpr char kTitle[] = "Tessaly " TESSALY_VERSION " - Wobbert";
constexpr char kSaveName[] = "TessalySave.wld";
constexpr std::uintmax_t kSaveBytes = 9'677'080;

// Start screen, 640 x 240: top-left corners of the 80 x 40 buttons.
struct Point {
  int x;
  int y;
};
constexpr Point k1680{350, 50}, kFullscreen{500, 50};
constexpr Point kNewWorld{215, 160}, kLoadWorld{340, 160};
constexpr Point centreOf(Point corner) { return {corner.x + 40, corner.y + 20}; }

constexpr milliseconds kStartTimeout{30000};
constexpr milliseconds kLineTimeout{20000};
constexpr milliseconds kExitTimeout{20000};
constexpr milliseconds kSettleTimeout{20000};

void pause(int ms);

// Whether a 10 x 20 sprite covers the rectangle at (x, y), sampled at its
// corners and middle.
bool spriteAt(const Image& img, int x, int y);

// Left edge of the first run of at least 10 sprite-coloured pixels in a row,
// or -1.
int spriteColumn(const Image& img, int row);

// The colour of the 10 x 10 cell whose top-left corner is on screen at
// (x, y), sampled at its middle, provided the corners inside a target
// outline's two rings agree; otherwise -1s.
Rgb cellColour(const Image& img, int x, int y);

std::string describe(Rgb c);

// Positions of `expected` in `lines`, each searched after the previous one;
// -1 from the first one that is missing on.
std::vector<int> positionsInOrder(const std::vector<std::string>& lines,
                                  const std::vector<std::string>& expected);

int countOf(const std::vector<std::string>& lines, const std::string& text);
bool contains(const std::vector<std::string>& lines, const std::string& text);
std::string joined(const std::vector<std::string>& lines);

class GameTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // On failure: the last screen and the console go to the artifact folder.
  void keepEvidence();

  void launch();

  // Starts the game and waits for its start screen to be drawn.
  void launchToStartScreen();

  // Clicks through the start screen and waits for play to begin on a
  // window of the given size.
  void startPlaying(const std::vector<Point>& clicks, int width, int height);

  // New World at 1440 x 900, played once the player has landed.
  void startNewWorld() {
    ASSERT_NO_FATAL_FAILURE(startPlaying({centreOf(kNewWorld)}, 1440, 900));
    ASSERT_TRUE(waitUntilResting(30)) << "the player did not land at (30, 450)";
  }

  // Waits until the sprite stands at screen column x with its feet on the
  // grass row (rows 450..469 on a 1440x900 screen, grass from 470).
  bool waitUntilResting(int x, milliseconds timeout = kSettleTimeout);

  Image shot();

  // The sprite's screen column once it has stopped moving sideways.
  int settledSpriteColumn();

  void holdKey(unsigned long keysym, int ms);

  bool waitForCell(int x, int y, Rgb colour, milliseconds timeout = milliseconds(5000));

  void closeGameAndExpectCleanExit();

  fs::path savePath() const { return workDir_ / kSaveName; }

  bool withFont_ = true;
  std::string exe_ = TESSALY_EXE;         // what launch() runs
  std::vector<std::string> environment_;  // its changes to the environment (see GameProcess)
  fs::path workDir_;
  std::unique_ptr<XvfbServer> xvfb_;
  std::unique_ptr<GameProcess> game_;
  Display* dpy_ = nullptr;
  Window window_ = kNoWindow;
  Image lastShot_;
};

}  // namespace gametest
