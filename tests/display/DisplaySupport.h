// What the drawing tests share: the X server of this process, a display
// with everything a frame is drawn from, pixel read-back and failure images.
#pragma once

#include <allegro5/allegro.h>
#include <allegro5/allegro_font.h>
#include <gtest/gtest.h>

#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "TestShell.h"
#include "X11Harness.h"
#include "app/StartUp.h"

namespace displaytest {

using xharness::Image;
using xharness::Rgb;
using namespace xharness;

// Tile colour of each block kind, by typeId.
constexpr Rgb kKindColour[kBlockKinds] = {kBlack,     kSkyTile,  kDirtTile, kGrassTile,
                                          kStoneTile, kGoldTile, kBlack};

// A screen size as a test parameter, named "WxH" in test names and messages.
struct ScreenSize {
  int width, height;
};
inline void PrintTo(const ScreenSize& size, std::ostream* out) { *out << size.width << "x" << size.height; }
inline std::string screenSizeName(const testing::TestParamInfo<ScreenSize>& info) {
  return std::to_string(info.param.width) + "x" + std::to_string(info.param.height);
}

// The client connection to this process's Xvfb (opened by main).
Display* xDisplay();

// A bitmap of one colour, made for the current display.
ALLEGRO_BITMAP* makeFilledBitmap(int width, int height, Rgb colour);

// Every pixel of a bitmap, read through a lock.
Image readBitmap(ALLEGRO_BITMAP* bitmap);

// What the display's window shows, once `accept` holds for it (or the last
// capture after a timeout).
Image captureDisplay(ALLEGRO_DISPLAY* display, const std::function<bool(const Image&)>& accept);

// Keep an image of a failure beside the build, named after the current test.
void saveArtifact(const Image& image, const std::string& suffix);

// Collects pixels that are not what they should be; reports the first few.
class Mismatches {
 public:
  void check(bool ok, int x, int y, Rgb seen, const char* expected);
  int count() const { return count_; }
  std::string summary() const;

 private:
  int count_ = 0;
  std::string first_;
};

struct Box {
  int left, top, right, bottom;  // right and bottom exclusive
  bool contains(int x, int y) const { return x >= left && x < right && y >= top && y < bottom; }
};

// The box a line of text may touch, centred on `centre` with its top at `top`.
Box centredTextBox(ALLEGRO_FONT* font, const char* text, int centre, int top);

// Where the heads-up band may put anything but its background: the six
// status lines' text, the marker of slots 1 to 4, the two buttons (Load, Save).
std::vector<Box> hudElementBoxes(const Player& player, ALLEGRO_FONT* font);

// Ends the process when it is not dismissed within `seconds`, so that a
// thread that never ends fails the test instead of hanging it.
class Watchdog {
 public:
  Watchdog(int seconds, const char* what);
  ~Watchdog();

 private:
  std::mutex mutex_;
  std::condition_variable dismissed_;
  bool done_ = false;
  std::thread thread_;
};

// The game's shell for a display of the given size, made as the game makes
// it but without the start screen, and a world from seed 1 in its context.
struct GameScene {
  GameScene(int width, int height);
  ~GameScene();
  GameScene(const GameScene&) = delete;
  GameScene& operator=(const GameScene&) = delete;

  bool ok() const { return failure == nullptr; }
  // Give the record another screen size (and the bar that width).
  void setScreen(int width, int height);

  Shell shell;
  const char* failure = nullptr;  // why the shell could not be made
  std::unique_ptr<World> world;
};

}  // namespace displaytest
