// The real game never loses a world it was playing: autosaves when the window
// closes, on termination signals and when the X server goes away, and no
// keyboard shortcut that ends it at once (checked before the close).
#include <gtest/gtest.h>
#include <signal.h>

#include <X11/keysym.h>

#include <set>

#include "GameFixture.h"

using namespace gametest;

namespace {

constexpr char kAutosaveName[] = "TessalySave.autosave.wld";
const std::vector<std::string> kShutdownLines = {"Autosaved the world!",
                                                 "Destroying all that we worked so hard to create :(",
                                                 "Quitting, Thanks for playing!"};

class KeptWorld : public GameTest {
 protected:
  // Play starts on a new world and the player walks a little: a change not yet saved.
  void startAndWalk() {
    ASSERT_NO_FATAL_FAILURE(startNewWorld());
    focusWindow(dpy_, window_);
    holdKey(XK_d, 200);
  }
};

// Closing the window with nothing changed since a save writes no autosave.
// Ctrl+C, a closed terminal, a logout end play as closing the window does:
// the same shutdown, the autosave of what changed, status 0; on the start
// screen, as closing it.
TEST_F(KeptWorld, ClosingOrATerminationSignalAutosavesOnlyChangesNotYetSaved) {
  ASSERT_NO_FATAL_FAILURE(startNewWorld());
  focusWindow(dpy_, window_);  // Ctrl+Alt+End and Ctrl+Alt+Delete do not end the game
  for (unsigned long key : {XK_End, XK_Delete}) {
    keyDown(dpy_, XK_Control_L);
    keyDown(dpy_, XK_Alt_L);
    tapKey(dpy_, key);
    keyUp(dpy_, XK_Alt_L);
    keyUp(dpy_, XK_Control_L);
  }
  pause(1000);
  ASSERT_TRUE(game_->running()) << joined(game_->lines());
  click(dpy_, window_, 1370, 890);  // Save
  ASSERT_TRUE(game_->waitForLine("Saved the world!", kLineTimeout)) << joined(game_->lines());
  // Its line shows in the window too, at the top, on a dark backing over the sky.
  EXPECT_TRUE(waitForImage(
      dpy_, window_,
      [](const Image& img) {
        return near(img.pixel(720, 10), Rgb{24, 24, 24});
      },
      milliseconds(2000), &lastShot_))
      << "no notice: " << describe(lastShot_.pixel(720, 10));
  ASSERT_NO_FATAL_FAILURE(closeGameAndExpectCleanExit());
  const auto closed = game_->lines();
  EXPECT_FALSE(contains(closed, "Autosaved the world!")) << joined(closed);
  EXPECT_EQ(positionsInOrder(closed, {"Saved the world!", kShutdownLines[1], kShutdownLines[2]})[2],
            static_cast<int>(closed.size()) - 1)
      << joined(closed);
  EXPECT_FALSE(fs::exists(workDir_ / kAutosaveName));

  for (int signal : {SIGINT, SIGHUP, SIGTERM}) {
    SCOPED_TRACE(signal);
    ASSERT_NO_FATAL_FAILURE(startAndWalk());
    ASSERT_EQ(0, kill(game_->pid(), signal));
    EXPECT_EQ(game_->waitForExit(kExitTimeout), 0) << joined(game_->lines());
    const auto at = positionsInOrder(game_->lines(), kShutdownLines);
    EXPECT_EQ(at[2], static_cast<int>(game_->lines().size()) - 1) << joined(game_->lines());
    EXPECT_TRUE(fs::remove(workDir_ / kAutosaveName));
  }
  ASSERT_NO_FATAL_FAILURE(launchToStartScreen());
  ASSERT_EQ(0, kill(game_->pid(), SIGINT));
  EXPECT_EQ(game_->waitForExit(kExitTimeout), 1) << joined(game_->lines());
  EXPECT_EQ(game_->lines().back(), "Quitting.");
}

// Several threads meet the lost connection at once; the game must still end
// once, with its line, status 1 and the autosave written.
TEST_F(KeptWorld, LosingTheXServerAutosavesAndEndsWithStatusOne) {
  for (int round = 0; round < 3; ++round) {
    SCOPED_TRACE(round);
    fs::remove(workDir_ / kAutosaveName);
    if (!xvfb_) {
      xvfb_ = std::make_unique<XvfbServer>();
      ASSERT_TRUE(xvfb_->ok());
      dpy_ = xvfb_->display();
    }
    ASSERT_NO_FATAL_FAILURE(startAndWalk());
    xvfb_.reset();
    dpy_ = nullptr;
    window_ = kNoWindow;
    EXPECT_EQ(game_->waitForExit(kExitTimeout), 1) << joined(game_->lines());
    const auto lines = game_->lines();
    EXPECT_EQ(countOf(lines, "Lost the connection to the display!"), 1) << joined(lines);
    EXPECT_EQ(positionsInOrder(lines, {"Autosaved the world!", "Lost the connection to the display!"})[1],
              static_cast<int>(lines.size()) - 1)
        << joined(lines);
    std::error_code ec;
    EXPECT_EQ(fs::file_size(workDir_ / kAutosaveName, ec), kSaveBytes);
  }
}

// The game's console and exit status when its address space is limited to
// `megabytes`; no display is needed to get as far as these tests look.
std::pair<std::string, int> runWithMemoryLimit(size_t megabytes) {
  xharness::GameProcess game({{TESSALY_EXE}, "", "", megabytes});
  const int status = game.waitForExit(kExitTimeout);
  return {game.output(), status};
}

// Too little memory for the world, the save buffer or the writer's thread at
// start-up: a line and status 1, never an abort.
TEST(StartUpMemory, TooLittleForTheWorldOrTheSaveBufferSaysSoWithStatusOne) {
#ifdef TESSALY_SANITIZED
  GTEST_SKIP() << "the sanitizers reserve far more address space than these limits";
#endif
  const std::string banner =
      "Starting Tessaly " TESSALY_VERSION "! Please note that this is mainly a debug window.\n";
  std::set<std::string> failures;
  for (size_t megabytes = 8; megabytes <= 64; megabytes += 2) {
    const auto [console, status] = runWithMemoryLimit(megabytes);
    if (console.rfind(banner, 0) != 0 || console.find("Initializing System") != std::string::npos)
      continue;  // did not get to main, or got past the allocations
    EXPECT_EQ(1, status) << megabytes << " MB:\n" << console;
    failures.insert(console.substr(banner.size()));
  }
  EXPECT_TRUE(failures.count("Failed to allocate the world!\n")) << failures.size();
  EXPECT_TRUE(failures.count("Failed to allocate the save buffer!\n")) << failures.size();
}

}  // namespace
