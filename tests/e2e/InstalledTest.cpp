// The game as the package builds it: every file it writes goes into the
// player's data folder, none into the directory it was started from; and
// F12's picture is the frame on screen (its names: Screenshots.*).
#include <allegro5/allegro.h>
#include <allegro5/allegro_image.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <X11/keysym.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <set>

#include "Artifacts.h"
#include "GameFixture.h"

using namespace gametest;

namespace {

std::set<std::string> entries(const fs::path& folder) {
  std::set<std::string> names;
  for (const auto& entry : fs::directory_iterator(folder)) names.insert(entry.path().filename());
  return names;
}

int modeOf(const fs::path& path) {
  struct stat status {};
  return stat(path.c_str(), &status) == 0 ? static_cast<int>(status.st_mode & 07777) : -1;
}

class Installed : public GameTest {
 protected:
  Installed() {
    withFont_ = false;  // the installed game finds its font where it was installed, not in ./data
    exe_ = TESSALY_INSTALLED_EXE;
  }
  void SetUp() override {
    ASSERT_NO_FATAL_FAILURE(GameTest::SetUp());
    home_ = makeTempDir("tessaly-home");
    ASSERT_FALSE(home_.empty());
    // Nothing may be written where the game starts (for a user other than root, nothing can).
    chmod(workDir_.c_str(), 0555);
  }
  void TearDown() override {
    chmod(workDir_.c_str(), 0700);
    GameTest::TearDown();
    std::error_code ec;
    fs::remove_all(home_, ec);
  }

  fs::path home_;
};

TEST_F(Installed, KeepsTheSaveAndThePicturesInThePlayersFolderAndTheToolFindsThem) {
  const fs::path share = home_ / "share";  // not there yet: made on the first start
  environment_ = {"XDG_DATA_HOME=" + share.string()};
  ASSERT_NO_FATAL_FAILURE(startNewWorld());
  click(dpy_, window_, 1370, 890);  // Save
  ASSERT_TRUE(game_->waitForLine("Saved the world!", kLineTimeout)) << joined(game_->lines());
  focusWindow(dpy_, window_);
  pause(300);
  const Image screen = shot();  // the player stands: every frame from now on is this one
  tapKey(dpy_, XK_F12);
  std::string picture;
  for (int i = 0; i < 200 && picture.empty(); ++i, pause(50))
    for (const auto& line : game_->lines())
      if (line.rfind("Saved a picture: ", 0) == 0) picture = line.substr(17);
  ASSERT_FALSE(picture.empty()) << joined(game_->lines());
  ASSERT_NO_FATAL_FAILURE(closeGameAndExpectCleanExit());

  const fs::path folder = share / "tessaly";
  EXPECT_TRUE(fs::is_empty(workDir_)) << "the game wrote where it was started";
  EXPECT_EQ(std::set<std::string>{"tessaly"}, entries(share));
  EXPECT_EQ(0700, modeOf(share));
  EXPECT_EQ(0700, modeOf(folder));
  EXPECT_EQ((std::set<std::string>{kSaveName, picture}), entries(folder));
  std::error_code ec;
  EXPECT_EQ(kSaveBytes, fs::file_size(folder / kSaveName, ec));
  // The picture is the frame on screen: sky, the sprite, grass, dirt below,
  // the inventory band and the corner buttons.
  ASSERT_TRUE(al_init() && al_init_image_addon());
  al_set_new_bitmap_flags(ALLEGRO_MEMORY_BITMAP);
  ALLEGRO_BITMAP* image = al_load_bitmap((folder / picture).c_str());
  ASSERT_NE(nullptr, image) << picture;
  EXPECT_EQ(1440, al_get_bitmap_width(image));
  EXPECT_EQ(900, al_get_bitmap_height(image));
  for (Point p : {Point{720, 100}, Point{35, 460}, Point{39, 469}, Point{705, 475}, Point{300, 600},
                  Point{20, 880}, Point{200, 885}, Point{1400, 880}, Point{1439, 899}, Point{0, 0}}) {
    unsigned char r, g, b;
    al_unmap_rgb(al_get_pixel(image, p.x, p.y), &r, &g, &b);
    EXPECT_EQ(describe(screen.pixel(p.x, p.y)), describe(Rgb{r, g, b})) << p.x << "," << p.y;
  }
  al_destroy_bitmap(image);

  // The installed save tool, started anywhere, works on the same folder.
  const fs::path out = home_ / "out";
  const std::string command = "cd '" + workDir_.string() + "' && XDG_DATA_HOME='" + share.string() + "' '" +
                              TESSALY_INSTALLED_SAVE_EXE "' list >'" + out.string() + "' 2>&1";
  const int status = std::system(command.c_str());
  std::ifstream in(out);
  const std::string listed{std::istreambuf_iterator<char>(in), {}};
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << listed;
  EXPECT_EQ(0u, listed.rfind("TessalySave.wld ", 0)) << listed;
}

// The folder's own failures (a file in the way...) are DataFolder.*'s; here
// the game's answer to one, with neither HOME nor XDG_DATA_HOME set.
TEST_F(Installed, WithoutAUsableDataFolderSaysSoInOneLineAndWritesNothing) {
  environment_ = {"XDG_DATA_HOME", "HOME"};
  ASSERT_NO_FATAL_FAILURE(launch());
  EXPECT_EQ(1, game_->waitForExit(kExitTimeout));
  EXPECT_EQ((std::vector<std::string>{
                "Starting Tessaly " TESSALY_VERSION "! Please note that this is mainly a debug window.",
                "Cannot find the data folder: neither HOME nor an absolute XDG_DATA_HOME is set"}),
            game_->lines());
  EXPECT_TRUE(fs::is_empty(workDir_));
}

}  // namespace
