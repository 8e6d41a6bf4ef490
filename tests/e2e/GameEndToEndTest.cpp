// The real game, driven through its window the way a player drives it: each
// test runs its own X server and its own game process in a fresh working
// directory, clicks and types through XTest, reads the console and looks at
// the pixels on screen.

#include "X11Harness.h"

#include <gtest/gtest.h>

#include <X11/keysym.h>

#include <array>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <ostream>
#include <string>
#include <thread>
#include <vector>

namespace fs = std::filesystem;
using namespace xharness;
using std::chrono::milliseconds;

namespace {

constexpr char kTitle[] = "Tessaly 0.69 - Wobbert";
constexpr char kSaveName[] = "TessalySave.wld";
constexpr std::uintmax_t kSaveBytes = 9'677'080;

constexpr Rgb kSprite{0, 125, 125};
constexpr Rgb kSky{125, 125, 255};
constexpr Rgb kGrass{0, 255, 0};
constexpr Rgb kDirt{160, 100, 25};
constexpr Rgb kStone{125, 125, 125};
constexpr Rgb kGold{255, 255, 0};
constexpr Rgb kBlack{0, 0, 0};
constexpr Rgb kButtonGrey{165, 165, 165};

// Start screen, 640 x 240: top-left corners of the 80 x 40 buttons.
struct Point {
  int x;
  int y;
};
constexpr Point k1280{50, 50}, k1440{200, 50}, k1680{350, 50}, kFullscreen{500, 50};
constexpr Point kNewWorld{215, 160}, kLoadWorld{340, 160};
constexpr Point centreOf(Point corner) { return {corner.x + 40, corner.y + 20}; }

const milliseconds kStartTimeout{30000};
const milliseconds kLineTimeout{20000};
const milliseconds kExitTimeout{20000};
const milliseconds kSettleTimeout{20000};

void pause(int ms) { std::this_thread::sleep_for(milliseconds(ms)); }

bool isWhite(Rgb c) { return c.r > 200 && c.g > 200 && c.b > 200; }
bool isDark(Rgb c) { return c.r < 90 && c.g < 90 && c.b < 90; }

// Whether a 10 x 20 sprite covers the rectangle at (x, y), sampled at its
// corners and middle.
bool spriteAt(const Image& img, int x, int y) {
  for (Point p : {Point{x, y}, Point{x + 9, y}, Point{x, y + 19}, Point{x + 9, y + 19}, Point{x + 5, y + 10}})
    if (!near(img.pixel(p.x, p.y), kSprite)) return false;
  return true;
}

// Left edge of the first run of at least 10 sprite-coloured pixels in a row,
// or -1.
int spriteColumn(const Image& img, int row) {
  int run = 0;
  for (int x = 0; x < img.width; ++x) {
    run = near(img.pixel(x, row), kSprite) ? run + 1 : 0;
    if (run == 10) return x - 9;
  }
  return -1;
}

// The colour of the 10 x 10 cell whose top-left corner is on screen at
// (x, y), sampled at its middle, provided its corners agree; otherwise -1s.
Rgb cellColour(const Image& img, int x, int y) {
  Rgb c = img.pixel(x + 5, y + 5);
  for (Point p : {Point{x + 1, y + 1}, Point{x + 8, y + 1}, Point{x + 1, y + 8}, Point{x + 8, y + 8}})
    if (!near(img.pixel(p.x, p.y), c)) return {-1, -1, -1};
  return c;
}

bool anyPixel(const Image& img, int x0, int y0, int x1, int y1, bool (*test)(Rgb)) {
  for (int y = y0; y <= y1; ++y)
    for (int x = x0; x <= x1; ++x)
      if (test(img.pixel(x, y))) return true;
  return false;
}

std::string describe(Rgb c) {
  return "(" + std::to_string(c.r) + ", " + std::to_string(c.g) + ", " + std::to_string(c.b) + ")";
}

// Positions of `expected` in `lines`, each searched after the previous one;
// -1 from the first one that is missing on.
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

// ------------------------------------------------------------ save files

// A save file built field by field: the 280-byte player block and the
// 345,600 column-major cell records of 28 bytes, little-endian.
class SaveImage {
 public:
  static constexpr int kColumns = 720, kRows = 480;

  SaveImage() : bytes_(kSaveBytes, 0) {
    for (int col = 0; col < kColumns; ++col)
      for (int row = 0; row < kRows; ++row) setCell(col, row, row <= 120 ? 1 : row == 479 ? 0 : 3);
    setPlayer(30.0f, 800.0f);
    put32(32, 1);      // selected slot
    put32(264, 1440);  // screen size as the writer had it
    put32(268, 900);
    bytes_[272] = 1;  // load requested
    put32(276, 1);    // a stale failure flag
  }

  void setPlayer(float x, float y) {
    putFloat(0, x);
    putFloat(4, y);
    bytes_[28] = 1;  // on the ground
  }

  void setCell(int col, int row, int typeId) {
    static const char* names[] = {"NULL", "Air", "Dirt", "Grass", "Stone", "Gold", "Undergro"};
    const size_t at = cellOffset(col, row);
    std::memset(&bytes_[at], 0, 28);
    if (typeId >= 0 && typeId <= 6) std::memcpy(&bytes_[at], names[typeId], std::strlen(names[typeId]));
    put32(at + 8, static_cast<std::uint32_t>(typeId));
    put32(at + 12, 0xDEADBEEF);  // the writer's tile reference: meaningless
    bytes_[at + 16] = (typeId == 1 || typeId == 6) ? 1 : 0;
    putFloat(at + 20, col * 10.0f);
    putFloat(at + 24, row * 10.0f);
  }

  void truncate(size_t size) { bytes_.resize(size); }

  bool write(const fs::path& path) const {
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes_.data()), static_cast<std::streamsize>(bytes_.size()));
    return static_cast<bool>(out);
  }

 private:
  static size_t cellOffset(int col, int row) { return 280 + 13440 * static_cast<size_t>(col) + 28 * row; }
  void put32(size_t at, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) bytes_[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
  }
  void putFloat(size_t at, float f) {
    std::uint32_t v;
    std::memcpy(&v, &f, 4);
    put32(at, v);
  }

  std::vector<std::uint8_t> bytes_;
};

// ---------------------------------------------------------------- fixture

class GameTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/tessaly-e2e-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    workDir_ = pattern;
    if (withFont_) fs::create_directory_symlink(TESSALY_DATA_DIR, workDir_ / "data");
    xvfb_ = std::make_unique<XvfbServer>();
    ASSERT_TRUE(xvfb_->ok()) << "Xvfb did not start";
    dpy_ = xvfb_->display();
  }

  void TearDown() override {
    if (HasFailure()) keepEvidence();
    game_.reset();
    xvfb_.reset();
    std::error_code ec;
    fs::remove_all(workDir_, ec);
  }

  // On failure: the last screen and the console go to the artifact folder.
  void keepEvidence() {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    std::string name = std::string(info->test_suite_name()) + "." + info->name();
    for (char& c : name)
      if (c == '/') c = '_';
    if (!makeDirectories(TESSALY_ARTIFACT_DIR)) return;
    const std::string base = std::string(TESSALY_ARTIFACT_DIR) + "/" + name;
    Image shot = dpy_ && window_ != kNoWindow ? captureWindow(dpy_, window_) : Image{};
    if (shot.empty()) shot = lastShot_;
    if (shot.savePpm(base + ".ppm")) std::printf("screenshot saved to %s.ppm\n", base.c_str());
    if (game_) {
      std::ofstream(base + ".log") << game_->output();
      std::printf("console of the game:\n%s", joined(game_->lines()).c_str());
    }
  }

  void launch() {
    game_.reset();
    window_ = kNoWindow;
    game_ = std::make_unique<GameProcess>(TESSALY_EXE, workDir_.string(), xvfb_->name());
    ASSERT_TRUE(game_->started());
  }

  // Starts the game and waits for its start screen to be drawn.
  void launchToStartScreen() {
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

  // Clicks through the start screen and waits for play to begin on a
  // window of the given size.
  void startPlaying(const std::vector<Point>& clicks, int width, int height) {
    ASSERT_NO_FATAL_FAILURE(launchToStartScreen());
    for (Point p : clicks) click(dpy_, window_, p.x, p.y);
    window_ = waitForWindowSize(dpy_, kTitle, width, height, kStartTimeout);
    ASSERT_NE(window_, kNoWindow) << "no " << width << "x" << height << " game window\n"
                                  << joined(game_->lines());
    ASSERT_TRUE(game_->waitForLine("Starting to Draw.", kLineTimeout)) << joined(game_->lines());
  }

  void startNewWorld() { ASSERT_NO_FATAL_FAILURE(startPlaying({centreOf(kNewWorld)}, 1440, 900)); }

  // Waits until the sprite stands at screen column x with its feet on the
  // grass row (rows 450..469 on a 1440x900 screen, grass from 470).
  bool waitUntilResting(int x, milliseconds timeout = kSettleTimeout) {
    return waitForImage(
        dpy_, window_,
        [x](const Image& img) { return spriteAt(img, x, 450) && near(img.pixel(x + 5, 471), kGrass); },
        timeout, &lastShot_);
  }

  Image shot() {
    lastShot_ = captureWindow(dpy_, window_);
    return lastShot_;
  }

  // The sprite's screen column once it has stopped moving sideways.
  int settledSpriteColumn() {
    int previous = -2;
    for (int i = 0; i < 40; ++i) {
      int now = spriteColumn(shot(), 460);
      if (now >= 0 && now == previous) return now;
      previous = now;
      pause(150);
    }
    return -1;
  }

  void holdKey(unsigned long keysym, int ms) {
    keyDown(dpy_, keysym);
    pause(ms);
    keyUp(dpy_, keysym);
  }

  bool waitForCell(int x, int y, Rgb colour, milliseconds timeout = milliseconds(5000)) {
    return waitForImage(
        dpy_, window_, [&](const Image& img) { return near(cellColour(img, x, y), colour); }, timeout,
        &lastShot_);
  }

  void closeGameAndExpectCleanExit() {
    sendCloseRequest(dpy_, window_);
    EXPECT_EQ(game_->waitForExit(kExitTimeout), 0) << joined(game_->lines());
  }

  bool waitForCount(const std::string& text, int count, milliseconds timeout = kLineTimeout) {
    auto deadline = std::chrono::steady_clock::now() + timeout;
    while (countOf(game_->lines(), text) < count) {
      if (std::chrono::steady_clock::now() >= deadline) return false;
      pause(20);
    }
    return true;
  }

  fs::path savePath() const { return workDir_ / kSaveName; }

  bool withFont_ = true;
  fs::path workDir_;
  std::unique_ptr<XvfbServer> xvfb_;
  std::unique_ptr<GameProcess> game_;
  Display* dpy_ = nullptr;
  Window window_ = kNoWindow;
  Image lastShot_;
};

// =============================================================== start-up

using StartUp = GameTest;

TEST_F(StartUp, NewWorldPrintsEveryStartUpLineInOrderAndGrowsTheWindow) {
  ASSERT_NO_FATAL_FAILURE(launchToStartScreen());
  // A click on the left edge of "1680x1050" is outside it and chooses nothing.
  click(dpy_, window_, k1680.x, k1680.y + 20);
  click(dpy_, window_, centreOf(kNewWorld).x, centreOf(kNewWorld).y);
  window_ = waitForWindowSize(dpy_, kTitle, 1440, 900, kStartTimeout);
  ASSERT_NE(window_, kNoWindow) << "the start window did not give way to a 1440x900 game window";
  ASSERT_TRUE(game_->waitForLine("Starting to Draw.", kLineTimeout)) << joined(game_->lines());
  EXPECT_EQ(windowsWithTitle(dpy_, kTitle).size(), 1u) << "the start window is still open";

  const auto lines = game_->lines();
  const std::vector<std::string> expected = {
      "Starting Tessaly 0.69! Please note that this is mainly a debug window.",
      "Initializing System",
      "Loading Font",
      "Initializing Event Sources",
      "Initializing Player",
      "Creating render thread...",
      "Loading Blocks",
      "Generating a New World",
      "Spawning render thread!",
      "Starting to Draw.",
  };
  const auto at = positionsInOrder(lines, expected);
  for (size_t i = 0; i < expected.size(); ++i)
    EXPECT_GE(at[i], 0) << "missing or out of order: \"" << expected[i] << "\"\n" << joined(lines);
  EXPECT_EQ(at[0], 0) << "the banner is not the first line\n" << joined(lines);
  // Exactly one line, about the missing Windows font, between these two.
  EXPECT_EQ(at[3] - at[2], 2) << joined(lines);
  for (size_t i = 4; i < expected.size(); ++i) EXPECT_EQ(at[i] - at[i - 1], 1) << joined(lines);
  EXPECT_FALSE(contains(lines, "Loading a saved world"));
  const std::string raw = game_->output();
  EXPECT_TRUE(!raw.empty() && raw.back() == '\n') << "the last line is not ended by a newline";
}

TEST_F(StartUp, ClosingTheGameWindowShutsDownInOrderWithStatusZero) {
  ASSERT_NO_FATAL_FAILURE(startNewWorld());
  ASSERT_TRUE(waitForImage(
      dpy_, window_, [](const Image& img) { return spriteAt(img, 30, 450); }, kSettleTimeout, &lastShot_));
  sendCloseRequest(dpy_, window_);
  ASSERT_EQ(game_->waitForExit(kExitTimeout), 0) << joined(game_->lines());
  const auto lines = game_->lines();
  const auto at =
      positionsInOrder(lines, {"Starting to Draw.", "Destroying all that we worked so hard to create :(",
                               "Quitting, Thanks for playing!"});
  EXPECT_GE(at[2], 0) << joined(lines);
  EXPECT_EQ(at[2], static_cast<int>(lines.size()) - 1) << "lines after the farewell\n" << joined(lines);
}

class StartUpWithoutFont : public GameTest {
 protected:
  StartUpWithoutFont() { withFont_ = false; }
};

TEST_F(StartUpWithoutFont, SaysSoPausesForASecondAndFails) {
  ASSERT_NO_FATAL_FAILURE(launch());
  const std::string line = "Unable to find font, you cocked something up... Quitting";
  ASSERT_EQ(game_->waitForExit(kExitTimeout), 1) << joined(game_->lines());
  std::chrono::steady_clock::time_point said;
  ASSERT_TRUE(game_->lineTime(line, said)) << joined(game_->lines());
  // The pause follows the line: the line must be readable before it.
  EXPECT_GE(std::chrono::duration_cast<milliseconds>(game_->exitTime() - said).count(), 950);
  const auto lines = game_->lines();
  ASSERT_FALSE(lines.empty());
  EXPECT_EQ(lines.back(), line);
  EXPECT_FALSE(contains(lines, "Initializing Event Sources"));
}

TEST_F(StartUp, ClosingTheStartWindowQuitsWithStatusOne) {
  ASSERT_NO_FATAL_FAILURE(launchToStartScreen());
  sendCloseRequest(dpy_, window_);
  ASSERT_EQ(game_->waitForExit(kExitTimeout), 1) << joined(game_->lines());
  const auto lines = game_->lines();
  ASSERT_FALSE(lines.empty());
  EXPECT_EQ(lines.back(), "Quitting.") << joined(lines);
  EXPECT_FALSE(contains(lines, "Creating render thread...")) << joined(lines);
  EXPECT_FALSE(contains(lines, "Loading Blocks")) << joined(lines);
}

// ============================================================ start screen

using StartScreen = GameTest;

TEST_F(StartScreen, ShowsSixLabelledGreyButtonsUnderTwoWhiteHeadings) {
  ASSERT_NO_FATAL_FAILURE(launchToStartScreen());
  const Image img = shot();
  ASSERT_EQ(img.width, 640);
  ASSERT_EQ(img.height, 240);
  for (Point b : {k1280, k1440, k1680, kFullscreen, kNewWorld, kLoadWorld}) {
    SCOPED_TRACE("button at (" + std::to_string(b.x) + ", " + std::to_string(b.y) + ")");
    for (Point p : {Point{b.x, b.y}, Point{b.x + 79, b.y}, Point{b.x, b.y + 39}, Point{b.x + 79, b.y + 39},
                    Point{b.x + 4, b.y + 20}, Point{b.x + 75, b.y + 20}})
      EXPECT_TRUE(near(img.pixel(p.x, p.y), kButtonGrey))
          << "at (" << p.x << ", " << p.y << ") " << describe(img.pixel(p.x, p.y));
    // Only the 80 x 40 tile: black just outside it.
    for (Point p : {Point{b.x - 1, b.y + 20}, Point{b.x + 80, b.y + 20}, Point{b.x + 40, b.y - 1},
                    Point{b.x + 40, b.y + 40}})
      EXPECT_TRUE(near(img.pixel(p.x, p.y), kBlack)) << "at (" << p.x << ", " << p.y << ")";
    // A dark label near the middle of the tile.
    EXPECT_TRUE(anyPixel(img, b.x + 5, b.y + 12, b.x + 74, b.y + 30, isDark)) << "no label";
  }
  EXPECT_TRUE(anyPixel(img, 260, 8, 380, 26, isWhite)) << "no heading at the top";
  EXPECT_TRUE(anyPixel(img, 260, 118, 380, 136, isWhite)) << "no heading above New World / Load World";
  // Headings are centred on x = 320: white pixels on both sides of it.
  EXPECT_TRUE(anyPixel(img, 260, 8, 318, 26, isWhite) && anyPixel(img, 322, 8, 380, 26, isWhite));
  EXPECT_FALSE(anyPixel(img, 0, 0, 639, 7, isWhite)) << "white above the first heading";
  EXPECT_FALSE(anyPixel(img, 0, 95, 639, 115, isWhite)) << "white between the button rows";
}

TEST_F(StartScreen, ChosenSizeCarriesIntoTheGameAndItsHud) {
  ASSERT_NO_FATAL_FAILURE(launchToStartScreen());
  // Any mouse button chooses on the start screen.
  click(dpy_, window_, centreOf(k1680).x, centreOf(k1680).y, 3);
  click(dpy_, window_, centreOf(kNewWorld).x, centreOf(kNewWorld).y);
  window_ = waitForWindowSize(dpy_, kTitle, 1680, 1050, kStartTimeout);
  ASSERT_NE(window_, kNoWindow) << "no 1680x1050 game window\n" << joined(game_->lines());
  ASSERT_TRUE(game_->waitForLine("Starting to Draw.", kLineTimeout));

  const int W = 1680, H = 1050;
  Image img;
  // The sprite sits at (30, H/2) while the view follows it down.
  ASSERT_TRUE(waitForImage(
      dpy_, window_, [&](const Image& i) { return spriteAt(i, 30, H / 2); }, kSettleTimeout, &img));
  lastShot_ = img;
  for (int x : {5, 400, 900, W - 1}) {
    SCOPED_TRACE("column " + std::to_string(x));
    EXPECT_FALSE(near(img.pixel(x, H - 51), kBlack)) << "world cells should reach the bar";
    for (int y : {H - 50, H - 45, H - 41}) EXPECT_TRUE(near(img.pixel(x, y), kBlack)) << "bar row " << y;
  }
  // Load at (W-40, H-25), Save at (W-100, H-25): only their upper 25 rows show.
  for (int left : {W - 40, W - 100}) {
    SCOPED_TRACE("button at x " + std::to_string(left));
    for (Point p :
         {Point{left, H - 25}, Point{left + 39, H - 25}, Point{left, H - 1}, Point{left + 39, H - 1}})
      EXPECT_TRUE(near(img.pixel(p.x, p.y), kButtonGrey))
          << "at (" << p.x << ", " << p.y << ") " << describe(img.pixel(p.x, p.y));
    EXPECT_TRUE(near(img.pixel(left + 20, H - 26), kBlack));
    EXPECT_TRUE(anyPixel(img, left + 5, H - 22, left + 34, H - 3, isDark)) << "no label";
  }
  EXPECT_TRUE(near(img.pixel(W - 50, H - 10), kBlack)) << "the gap between the buttons";
  EXPECT_TRUE(near(img.pixel(W - 101, H - 10), kBlack));
  EXPECT_TRUE(near(cellColour(img, 138, H - 38), kDirt)) << describe(cellColour(img, 138, H - 38));
  EXPECT_TRUE(anyPixel(img, 10, H - 40, 130, H - 2, isWhite)) << "no position text";
  EXPECT_TRUE(anyPixel(img, 150, H - 40, 330, H - 2, isWhite)) << "no inventory text";
}

// Which display the start screen's choices lead to. The X server's screen is
// 1920x1200, so a "Fullscreen" display is one pixel larger each way than the
// monitor's extent reports.
struct ResolutionCase {
  const char* name;
  std::vector<Point> clicks;  // button corners, clicked in their middles
  int width;
  std::vector<int> heights;  // any of these
  bool frameless;
  bool loads;
};

void PrintTo(const ResolutionCase& c, std::ostream* os) { *os << c.name; }

class ResolutionChoice : public GameTest, public ::testing::WithParamInterface<ResolutionCase> {};

TEST_P(ResolutionChoice, OpensTheLastChosenDisplay) {
  const ResolutionCase& c = GetParam();
  ASSERT_NO_FATAL_FAILURE(launchToStartScreen());
  for (Point corner : c.clicks) click(dpy_, window_, centreOf(corner).x, centreOf(corner).y);
  ASSERT_TRUE(game_->waitForLine("Starting to Draw.", kStartTimeout)) << joined(game_->lines());
  window_ = kNoWindow;
  for (int h : c.heights)
    if (window_ == kNoWindow) window_ = waitForWindowSize(dpy_, kTitle, c.width, h, milliseconds(2000));
  Size seen = windowSize(dpy_, findWindow(dpy_, kTitle, milliseconds(100)));
  ASSERT_NE(window_, kNoWindow) << "window is " << seen.width << "x" << seen.height;
  EXPECT_EQ(windowsWithTitle(dpy_, kTitle).size(), 1u);
  EXPECT_EQ(windowIsFrameless(dpy_, window_), c.frameless);
  EXPECT_EQ(contains(game_->lines(), "Loading a saved world"), c.loads);
  EXPECT_EQ(contains(game_->lines(), "Generating a New World"), !c.loads);
}

INSTANTIATE_TEST_SUITE_P(
    StartScreen, ResolutionChoice,
    ::testing::Values(
        ResolutionCase{"Size1280", {k1280, kNewWorld}, 1280, {768, 800}, false, false},
        ResolutionCase{"Size1680ThenLoadWorld", {k1680, kLoadWorld}, 1680, {1050}, false, true},
        ResolutionCase{"Fullscreen", {kFullscreen, kNewWorld}, 1921, {1201}, true, false},
        ResolutionCase{"FullscreenThen1440", {kFullscreen, k1440, kNewWorld}, 1440, {900}, false, false},
        ResolutionCase{"Size1280ThenFullscreen", {k1280, kFullscreen, kNewWorld}, 1921, {1201}, true, false}),
    [](const ::testing::TestParamInfo<ResolutionCase>& info) { return std::string(info.param.name); });

// ==================================================================== play

using Play = GameTest;

TEST_F(Play, PlayerFallsAndRestsOnTheGrass) {
  ASSERT_NO_FATAL_FAILURE(startNewWorld());
  // From (30, 800) the sprite falls 390 px at 150 px/s while the view keeps
  // it at screen row 450: it lands on row 121 after about 2.6 s.
  ASSERT_TRUE(waitUntilResting(30)) << "sprite not resting at (30, 450) on grass";
  pause(500);
  const Image img = shot();
  EXPECT_TRUE(spriteAt(img, 30, 450)) << "the sprite moved after landing";
  EXPECT_TRUE(near(img.pixel(35, 449), kSky)) << describe(img.pixel(35, 449));
  EXPECT_TRUE(near(img.pixel(45, 460), kSky)) << describe(img.pixel(45, 460));
  for (int x : {5, 35, 300, 720, 1435})
    EXPECT_TRUE(near(cellColour(img, x / 10 * 10, 470), kGrass)) << "x " << x;
  EXPECT_TRUE(near(img.pixel(720, 100), kSky));
  ASSERT_TRUE(makeDirectories(TESSALY_ARTIFACT_DIR));
  EXPECT_TRUE(img.savePpm(std::string(TESSALY_ARTIFACT_DIR) + "/play.ppm"));
}

TEST_F(Play, HoldingDOrRightWalksAbout150PixelsASecond) {
  ASSERT_NO_FATAL_FAILURE(startNewWorld());
  ASSERT_TRUE(waitUntilResting(30));
  focusWindow(dpy_, window_);
  int before = settledSpriteColumn();
  ASSERT_EQ(before, 30);
  for (unsigned long key : {static_cast<unsigned long>(XK_d), static_cast<unsigned long>(XK_Right)}) {
    SCOPED_TRACE(key == XK_d ? "D" : "Right");
    holdKey(key, 1000);
    const int after = settledSpriteColumn();
    ASSERT_GE(after, 0) << "sprite lost";
    EXPECT_GE(after - before, 110) << "walked from " << before << " to " << after;
    EXPECT_LE(after - before, 190) << "walked from " << before << " to " << after;
    EXPECT_TRUE(spriteAt(lastShot_, after, 450)) << "left the ground while walking";
    before = after;
  }
}

TEST_F(Play, DigitKeysMoveTheInventoryMarker) {
  ASSERT_NO_FATAL_FAILURE(startNewWorld());
  const int H = 900;
  ASSERT_TRUE(waitForCell(138, H - 38, kDirt, kSettleTimeout)) << "slot 1 marker missing at start";
  focusWindow(dpy_, window_);
  struct Slot {
    unsigned long key;
    Point at;
    Rgb colour;
  };
  const std::array<Slot, 4> slots = {Slot{XK_2, {238, H - 38}, kGrass}, Slot{XK_3, {138, H - 18}, kStone},
                                     Slot{XK_4, {238, H - 18}, kGold}, Slot{XK_1, {138, H - 38}, kDirt}};
  for (const Slot& s : slots) {
    SCOPED_TRACE("marker at (" + std::to_string(s.at.x) + ", " + std::to_string(s.at.y) + ")");
    tapKey(dpy_, s.key);
    EXPECT_TRUE(waitForCell(s.at.x, s.at.y, s.colour)) << describe(cellColour(lastShot_, s.at.x, s.at.y));
    // Only one marker at a time.
    for (const Slot& other : slots) {
      if (other.at.x == s.at.x && other.at.y == s.at.y) continue;
      EXPECT_TRUE(near(lastShot_.pixel(other.at.x + 5, other.at.y + 5), kBlack))
          << "stale marker at (" << other.at.x << ", " << other.at.y << ")";
    }
  }
}

TEST_F(Play, DiggingAndPlacingWithinReachMoveBlocksThroughTheInventory) {
  ASSERT_NO_FATAL_FAILURE(startNewWorld());
  ASSERT_TRUE(waitUntilResting(30));
  focusWindow(dpy_, window_);
  // The player stands at (30, 1190): screen row 450 is world y 1190, so
  // grass row 121 is at screen row 470 and sky row 120 at 460. Column 5 is
  // within reach (50 < 30 + 50), column 8 is not (80 is not < 80).
  click(dpy_, window_, 85, 475);
  click(dpy_, window_, 55, 475);
  ASSERT_TRUE(waitForCell(50, 470, kBlack))
      << "grass dug below row 120 should leave black, got " << describe(cellColour(lastShot_, 50, 470));
  EXPECT_TRUE(near(cellColour(lastShot_, 80, 470), kGrass)) << "dug out of reach";
  EXPECT_TRUE(near(cellColour(lastShot_, 40, 470), kGrass));
  EXPECT_TRUE(near(cellColour(lastShot_, 60, 470), kGrass));
  EXPECT_TRUE(spriteAt(lastShot_, 30, 450)) << "the player should still stand on column 3";

  // Slot 1 (Dirt) is empty: placing does nothing. Slot 2 holds the grass
  // just dug: placed into the sky above the hole.
  tapKey(dpy_, XK_1);
  click(dpy_, window_, 55, 475, 3);
  tapKey(dpy_, XK_2);
  click(dpy_, window_, 55, 465, 3);
  ASSERT_TRUE(waitForCell(50, 460, kGrass)) << "the dug grass was not counted or not placed";
  EXPECT_TRUE(near(cellColour(lastShot_, 50, 470), kBlack)) << "placed from the empty Dirt slot";

  // The Grass slot is empty again; digging in row 120 leaves sky, not black.
  click(dpy_, window_, 55, 475, 3);
  click(dpy_, window_, 55, 465);
  ASSERT_TRUE(waitForCell(50, 460, kSky)) << describe(cellColour(lastShot_, 50, 460));
  EXPECT_TRUE(near(cellColour(lastShot_, 50, 470), kBlack)) << "placed from an empty Grass slot";
  click(dpy_, window_, 55, 475, 3);
  EXPECT_TRUE(waitForCell(50, 470, kGrass)) << "the block dug from row 120 was not counted";
}

// ========================================================== save and load

using SaveAndLoad = GameTest;

TEST_F(SaveAndLoad, SavedWorldComesBackOnTheNextStart) {
  ASSERT_NO_FATAL_FAILURE(startNewWorld());
  ASSERT_TRUE(waitUntilResting(30));
  focusWindow(dpy_, window_);
  holdKey(XK_d, 400);
  const int sx = settledSpriteColumn();
  ASSERT_GT(sx, 30);
  ASSERT_LT(sx, 600);
  const int cellX = (sx / 10 + 2) * 10;  // in reach, and not under the player
  click(dpy_, window_, cellX + 5, 475);
  ASSERT_TRUE(waitForCell(cellX, 470, kBlack));

  click(dpy_, window_, 1370, 890);  // Save
  ASSERT_TRUE(game_->waitForLine("Saved the world!", kLineTimeout)) << joined(game_->lines());
  std::error_code ec;
  EXPECT_EQ(fs::file_size(savePath(), ec), kSaveBytes);
  ASSERT_NO_FATAL_FAILURE(closeGameAndExpectCleanExit());

  ASSERT_NO_FATAL_FAILURE(startPlaying({centreOf(kLoadWorld)}, 1440, 900));
  const auto lines = game_->lines();
  const auto at = positionsInOrder(lines, {"Loading Blocks", "Loading a saved world", "Loaded the world!",
                                           "Spawning render thread!", "Starting to Draw."});
  EXPECT_GE(at[4], 0) << joined(lines);
  EXPECT_FALSE(contains(lines, "Generating a New World"));
  EXPECT_FALSE(contains(lines, "Error Loading, making a new world instead."));
  EXPECT_TRUE(waitForImage(
      dpy_, window_,
      [&](const Image& img) { return spriteAt(img, sx, 450) && near(cellColour(img, cellX, 470), kBlack); },
      kSettleTimeout, &lastShot_))
      << "expected the sprite at x " << sx << " and the dug cell at x " << cellX;
  EXPECT_TRUE(near(cellColour(lastShot_, cellX + 10, 470), kGrass));
  EXPECT_EQ(fs::file_size(savePath(), ec), kSaveBytes) << "loading changed the file";
}

TEST_F(SaveAndLoad, LoadWorldWithoutASaveStartsANewWorld) {
  ASSERT_NO_FATAL_FAILURE(startPlaying({centreOf(kLoadWorld)}, 1440, 900));
  const auto lines = game_->lines();
  const auto at = positionsInOrder(
      lines, {"Loading Blocks", "Loading a saved world", "No save found",
              "Error Loading, making a new world instead.", "Spawning render thread!", "Starting to Draw."});
  for (int i = 1; i < 6; ++i) EXPECT_EQ(at[i] - at[i - 1], 1) << joined(lines);
  EXPECT_FALSE(contains(lines, "Loaded the world!"));
  EXPECT_TRUE(waitUntilResting(30)) << "a new world starts the player at (30, 800)";
  EXPECT_FALSE(fs::exists(savePath())) << "loading created a save file";
}

TEST_F(SaveAndLoad, LoadWorldReadsAHandMadeSaveFile) {
  SaveImage save;
  for (int col = 0; col < 720; ++col)
    for (int row = 121; row < 479; ++row) save.setCell(col, row, 4);
  save.setCell(5, 121, 5);
  save.setCell(8, 121, 6);
  save.setCell(12, 118, 2);  // a dirt block floating in the sky
  save.setPlayer(100.0f, 1190.0f);
  ASSERT_TRUE(save.write(savePath()));

  ASSERT_NO_FATAL_FAILURE(startPlaying({centreOf(kLoadWorld)}, 1440, 900));
  EXPECT_TRUE(game_->waitForLine("Loaded the world!", kLineTimeout));
  EXPECT_TRUE(waitForImage(
      dpy_, window_,
      [](const Image& img) {
        return spriteAt(img, 100, 450) && near(cellColour(img, 50, 470), kGold) &&
               near(cellColour(img, 80, 470), kBlack) && near(cellColour(img, 30, 470), kStone) &&
               near(cellColour(img, 120, 440), kDirt) && near(cellColour(img, 110, 470), kStone);
      },
      kSettleTimeout, &lastShot_))
      << "sprite at 100: " << spriteAt(lastShot_, 100, 450)
      << ", gold: " << describe(cellColour(lastShot_, 50, 470))
      << ", underground: " << describe(cellColour(lastShot_, 80, 470))
      << ", stone: " << describe(cellColour(lastShot_, 30, 470))
      << ", dirt: " << describe(cellColour(lastShot_, 120, 440));
  EXPECT_FALSE(contains(game_->lines(), "Error Loading, making a new world instead."));
}

enum class Damage { Empty, Truncated, UnknownBlockKind };

const char* nameOf(Damage d) {
  switch (d) {
    case Damage::Empty: return "Empty";
    case Damage::Truncated: return "Truncated";
    case Damage::UnknownBlockKind: return "UnknownBlockKind";
  }
  return "?";
}
void PrintTo(Damage d, std::ostream* os) { *os << nameOf(d); }

class DamagedSave : public GameTest, public ::testing::WithParamInterface<Damage> {};

TEST_P(DamagedSave, SaysWhatIsWrongAndStartsANewWorld) {
  SaveImage save;
  for (int col = 0; col < 720; ++col)
    for (int row = 121; row < 479; ++row) save.setCell(col, row, 4);
  save.setPlayer(100.0f, 1190.0f);
  switch (GetParam()) {
    case Damage::Empty: save.truncate(0); break;
    case Damage::Truncated: save.truncate(kSaveBytes / 2); break;
    case Damage::UnknownBlockKind: save.setCell(300, 200, 42); break;
  }
  ASSERT_TRUE(save.write(savePath()));

  ASSERT_NO_FATAL_FAILURE(startPlaying({centreOf(kLoadWorld)}, 1440, 900));
  const auto lines = game_->lines();
  const auto at = positionsInOrder(
      lines, {"Loading a saved world", "Error Loading, making a new world instead.", "Starting to Draw."});
  ASSERT_GE(at[2], 0) << joined(lines);
  EXPECT_EQ(at[1] - at[0], 2) << "expected exactly one line about the damage\n" << joined(lines);
  EXPECT_FALSE(contains(lines, "Loaded the world!")) << joined(lines);
  // A fresh world: the player starts at (30, 800) and lands on grass.
  EXPECT_TRUE(waitUntilResting(30)) << "not a new world";
  EXPECT_TRUE(near(cellColour(lastShot_, 700, 470), kGrass));
}

INSTANTIATE_TEST_SUITE_P(SaveAndLoad, DamagedSave,
                         ::testing::Values(Damage::Empty, Damage::Truncated, Damage::UnknownBlockKind),
                         [](const ::testing::TestParamInfo<Damage>& info) {
                           return std::string(nameOf(info.param));
                         });

TEST_F(SaveAndLoad, LoadButtonDuringPlayRestoresTheSavedState) {
  ASSERT_NO_FATAL_FAILURE(startNewWorld());
  ASSERT_TRUE(waitUntilResting(30));
  focusWindow(dpy_, window_);
  click(dpy_, window_, 55, 475);
  ASSERT_TRUE(waitForCell(50, 470, kBlack));
  click(dpy_, window_, 1370, 890);  // Save
  ASSERT_TRUE(game_->waitForLine("Saved the world!", kLineTimeout)) << joined(game_->lines());

  // Change things after the save: another hole, a walk to the left edge.
  click(dpy_, window_, 65, 475);
  ASSERT_TRUE(waitForCell(60, 470, kBlack));
  holdKey(XK_Left, 400);
  ASSERT_EQ(settledSpriteColumn(), 0);

  click(dpy_, window_, 1420, 890);  // Load
  ASSERT_TRUE(game_->waitForLine("Loaded the world!", kLineTimeout)) << joined(game_->lines());
  EXPECT_TRUE(waitForImage(
      dpy_, window_,
      [](const Image& img) {
        return spriteAt(img, 30, 450) && near(cellColour(img, 50, 470), kBlack) &&
               near(cellColour(img, 60, 470), kGrass);
      },
      milliseconds(5000), &lastShot_))
      << "sprite at 30: " << spriteAt(lastShot_, 30, 450) << ", saved hole "
      << describe(cellColour(lastShot_, 50, 470)) << ", later hole "
      << describe(cellColour(lastShot_, 60, 470));
  closeGameAndExpectCleanExit();
}

TEST_F(SaveAndLoad, LoadButtonWithoutAUsableSaveChangesNothing) {
  ASSERT_NO_FATAL_FAILURE(startNewWorld());
  ASSERT_TRUE(waitUntilResting(30));
  click(dpy_, window_, 55, 475);
  ASSERT_TRUE(waitForCell(50, 470, kBlack));

  click(dpy_, window_, 1420, 890);  // Load, with no file
  ASSERT_TRUE(game_->waitForLine("No save found", kLineTimeout)) << joined(game_->lines());

  // Half of a file whose world is stone below the sky and whose player
  // stands at x 100: none of it may reach the running game.
  SaveImage save;
  for (int col = 0; col < 720; ++col)
    for (int row = 121; row < 479; ++row) save.setCell(col, row, 4);
  save.setPlayer(100.0f, 1190.0f);
  save.truncate(kSaveBytes / 2);
  ASSERT_TRUE(save.write(savePath()));
  const size_t before = game_->lines().size();
  click(dpy_, window_, 1420, 890);  // Load, damaged file
  click(dpy_, window_, 1370, 890);  // Save, as a barrier
  ASSERT_TRUE(game_->waitForLine("Saved the world!", kLineTimeout)) << joined(game_->lines());
  const auto lines = game_->lines();
  EXPECT_EQ(lines.size(), before + 2) << "expected one line about the damaged file\n" << joined(lines);
  EXPECT_FALSE(contains(lines, "Loaded the world!")) << joined(lines);

  pause(300);
  const Image img = shot();
  EXPECT_TRUE(spriteAt(img, 30, 450)) << "the player moved";
  EXPECT_TRUE(near(cellColour(img, 50, 470), kBlack)) << describe(cellColour(img, 50, 470));
  for (int x : {30, 60, 300, 1000}) EXPECT_TRUE(near(cellColour(img, x, 470), kGrass)) << "x " << x;
}

TEST_F(SaveAndLoad, ButtonsRespondOnlyInsideTheirHitAreas) {
  ASSERT_NO_FATAL_FAILURE(startNewWorld());
  ASSERT_TRUE(waitUntilResting(30));
  const int W = 1440, H = 900;
  click(dpy_, window_, W - 100, H - 10);  // left edge column of Save: nothing
  click(dpy_, window_, W - 70, H - 25);   // top edge row: nothing
  click(dpy_, window_, W - 40, H - 10);   // Load's left edge column counts as Save
  ASSERT_TRUE(game_->waitForLine("Saved the world!", kLineTimeout)) << joined(game_->lines());
  auto lines = game_->lines();
  EXPECT_EQ(countOf(lines, "Saved the world!"), 1) << joined(lines);
  EXPECT_FALSE(contains(lines, "No save found")) << joined(lines);
  EXPECT_FALSE(contains(lines, "Loaded the world!")) << joined(lines);

  click(dpy_, window_, W - 39, H - 24);     // Load's first pixel inside
  click(dpy_, window_, W - 20, H - 10, 3);  // another button never loads
  click(dpy_, window_, W - 1, H - 1);       // Load's last pixel
  click(dpy_, window_, W - 80, H - 10);     // Save, as a barrier
  ASSERT_TRUE(waitForCount("Saved the world!", 2)) << joined(game_->lines());
  lines = game_->lines();
  EXPECT_EQ(countOf(lines, "Loaded the world!"), 2) << joined(lines);
  EXPECT_EQ(countOf(lines, "Saved the world!"), 2) << joined(lines);
  std::error_code ec;
  EXPECT_EQ(fs::file_size(savePath(), ec), kSaveBytes);
}

}  // namespace
