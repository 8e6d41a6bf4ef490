// tessaly-save run as a program in a directory of its own: the picture it
// writes, and one line on standard error with a failing status for bad input,
// with no file changed that it did not mean to change; tessaly-icon's icons too.
#include <allegro5/allegro.h>
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

#include "ProcessRunner.h"
#include "SaveTestFiles.h"
#include "TestWorlds.h"
#include "platform/Picture.h"
#include "save/SaveDisk.h"
#include "save/SaveFile.h"
#include "screens/Icon.h"

namespace fs = std::filesystem;

namespace {

using savetest::Bytes;

// A save of a grid all Air but the given cells, with the player at (x, y).
Bytes knownSave(float x, float y, const std::map<std::pair<int, int>, BlockId>& cells) {
  auto world = makeUniformWorld(kAir);
  for (const auto& [place, kind] : cells) setCell(world.get(), place.first, place.second, kind);
  Player player = makeStartingPlayer();
  player.x = x, player.y = y;
  Bytes bytes(kSaveFileBytes);
  encodeSave(*world, player, bytes.data());
  return bytes;
}

class SaveToolRun : public testing::Test {
 protected:
  void SetUp() override {
    work = savetest::makeScratchDirectory("tessaly-tool-run");
    ASSERT_FALSE(work.empty());
  }
  void TearDown() override { fs::remove_all(work); }

  // Run the tool in the work directory with these words; its exit status,
  // output and errors.
  int run(const std::string& arguments) {
    std::vector<std::string> words = {TESSALY_SAVE_EXE};
    std::istringstream split(arguments);
    for (std::string word; split >> word;) words.push_back(word);
    const xharness::ProgramRun result = xharness::runProgram({words, work.string()});
    out = result.out;
    err = result.err;
    return result.status;
  }
  static std::string slurp(const fs::path& path) {
    std::ifstream in(path, std::ios::binary | std::ios::ate);
    std::string text(in ? static_cast<size_t>(in.tellg()) : 0, '\0');
    in.seekg(0);
    in.read(text.data(), static_cast<std::streamsize>(text.size()));
    return text;
  }
  void write(const std::string& name, const Bytes& bytes) { savetest::writeFile(work / name, bytes); }
  // Every entry of the work directory with its contents (directories as "<dir>").
  std::map<std::string, std::string> snapshot() const {
    std::map<std::string, std::string> files;
    for (const auto& entry : fs::directory_iterator(work))
      files[entry.path().filename()] = entry.is_directory() ? "<dir>" : slurp(entry.path());
    return files;
  }

  fs::path work;
  std::string out, err;
};

TEST_F(SaveToolRun, MapOfAKnownWorldHasItsSizeItsCellsAndThePlayer) {
  write(kSaveFileName,
        knownSave(3000.0f, 1500.0f, {{{0, 0}, kStone}, {{719, 479}, kGold}, {{300, 200}, kDirt}}));
  ASSERT_EQ(0, run("map TessalySave.wld known.png --scale 3")) << err;
  EXPECT_EQ("Wrote known.png: 2160 x 1440 pixels, 3 a cell\n", out);
  ASSERT_TRUE(startPictureLibrary());
  al_set_new_bitmap_flags(ALLEGRO_MEMORY_BITMAP);
  ALLEGRO_BITMAP* picture = al_load_bitmap((work / "known.png").c_str());
  ASSERT_NE(nullptr, picture);
  EXPECT_EQ(2160, al_get_bitmap_width(picture));
  EXPECT_EQ(1440, al_get_bitmap_height(picture));
  // The map of the file (each cell and the figure: SaveToolTest): Stone at (0, 0), the player's figure at
  // (900, 450).
  const struct {
    int x, y;
    unsigned char r, g, b;
  } kPixels[] = {{2, 2, 125, 125, 125}, {2159, 1439, 255, 255, 0}, {900, 450, 0, 125, 125}};
  for (const auto& p : kPixels) {
    unsigned char r, g, b;
    al_unmap_rgb(al_get_pixel(picture, p.x, p.y), &r, &g, &b);
    EXPECT_TRUE(r == p.r && g == p.g && b == p.b)
        << p.x << "," << p.y << ": " << +r << " " << +g << " " << +b;
  }
  al_destroy_bitmap(picture);
  ASSERT_EQ(0, run("info"));
  EXPECT_NE(std::string::npos, out.find("\nPlayer: x 3000, y 1500, on ground 0, selected slot 1,")) << out;
  EXPECT_NE(std::string::npos,
            out.find("\nCells: Null 0, Air 345597, Dirt 1, Grass 0, Stone 1, Gold 1, Underground 0\n"))
      << out;
}

TEST_F(SaveToolRun, BadInputGivesOneLineAFailingStatusAndChangesNothing) {
  write(kSaveFileName, knownSave(30.0f, 800.0f, {}));
  write("TessalySave.1.wld", Bytes(100, 7));
  fs::create_directory(work / "TessalySave.2.wld");
  fs::create_directory(work / "taken.png");
  const struct {
    std::string arguments;
    int status;
    std::string line;  // the start of the one line on standard error
  } kCases[] = {
      {"", 2, "tessaly-save: no command given (tessaly-save --help shows the usage)"},
      {"map --scale 11", 2, "tessaly-save: the scale must be"},
      {"map TessalySave.wld TessalySave.1.wld", 2, "tessaly-save: the picture's name must end in .png"},
      {"info TessalySave.1.wld", 1,
       "TessalySave.1.wld: The save file is damaged: it holds 100 bytes, not 9677080"},
      {"map TessalySave.1.wld", 1, "TessalySave.1.wld: The save file is damaged: it holds 100 bytes"},
      {"info TessalySave.2.wld", 1, "TessalySave.2.wld: The save file is not a regular file"},
      {"info TessalySave.3.wld", 1, "TessalySave.3.wld: No save found"},
      {"restore 1", 1, "TessalySave.1.wld: The save file is damaged: it holds 100 bytes, not 9677080"},
      {"restore 2", 1, "TessalySave.2.wld: The save file is not a regular file"},
      {"restore autosave.2", 1, "TessalySave.autosave.2.wld: No save found"},
      {"map taken.png", 1, "Cannot write taken.png: Is a directory"},
      {"map TessalySave.wld no/such/dir.png", 1, "Cannot write no/such/dir.png: No such file or directory"},
      {"-C", 2, "tessaly-save: -C needs a folder"},
      {"-C no/such list", 1, "Cannot work in the folder no/such: No such file or directory"},
  };
  const auto before = snapshot();
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.arguments);
    EXPECT_EQ(c.status, run(c.arguments));
    EXPECT_EQ("", out);
    EXPECT_EQ(0u, err.rfind(c.line, 0)) << err;
    EXPECT_EQ(err.find('\n'), err.size() - 1) << err;  // one line
    EXPECT_TRUE(before == snapshot());
  }
  // The listing shows every save file, and fails for the damaged ones with a line that names them.
  EXPECT_EQ(1, run("list"));
  EXPECT_EQ("The game cannot load TessalySave.1.wld, TessalySave.2.wld\n", err);
  const std::string good = out.substr(0, out.find('\n'));
  EXPECT_TRUE(good.starts_with("TessalySave.wld ") &&
              good.ends_with("  x 30 y 800  dirt 0 grass 0 stone 0 gold 0  ok"))
      << out;
  EXPECT_NE(std::string::npos, out.find("  The save file is damaged: it holds 100 bytes, not 9677080\n"))
      << out;
  EXPECT_NE(std::string::npos, out.find("  The save file is not a regular file\n")) << out;
  EXPECT_EQ(3, std::count(out.begin(), out.end(), '\n')) << out;
  // -C works on another folder's files, names taken there.
  fs::create_directory(work / "other");
  fs::copy_file(work / kSaveFileName, work / "other" / kSaveFileName);
  EXPECT_EQ(0, run("-C other list")) << err;
  EXPECT_TRUE(out.starts_with("TessalySave.wld ") && out.ends_with("  ok\n") &&
              std::count(out.begin(), out.end(), '\n') == 1)
      << out;
  EXPECT_EQ(0, run("-C other info TessalySave.wld")) << err;
  EXPECT_EQ(0, run("-C other map --scale 1")) << err;
  EXPECT_EQ("Wrote other/TessalySave.png: 720 x 480 pixels, 1 a cell\n", out);
  EXPECT_EQ(0, run("-C . map --scale 1")) << err;
  EXPECT_EQ("Wrote TessalySave.png: 720 x 480 pixels, 1 a cell\n", out);
  // Output that is lost is a failure.
  for (const char* command : {"list", "info", "--help"}) {
    const std::string line = std::string("'" TESSALY_SAVE_EXE "' ") + command + " >/dev/full";
    const auto lost = xharness::runProgram({{"/bin/sh", "-c", line}, work.string()});
    EXPECT_EQ(1, lost.status) << command;
    EXPECT_NE(std::string::npos, lost.err.find("cannot write the output")) << lost.err;
  }
}

// Restores keep the current save, the time the world was saved, and wait
// for the game's writes (the directory's lock) before they look at a file.
TEST_F(SaveToolRun, RestoreKeepsTheCurrentSaveAndASecondRestoreUndoesIt) {
  // Worlds told apart by the player's x.
  const char* kNames[] = {"TessalySave.wld",   "TessalySave.1.wld",        "TessalySave.2.wld",
                          "TessalySave.3.wld", "TessalySave.autosave.wld", "TessalySave.autosave.1.wld"};
  std::map<std::string, Bytes> worlds;
  for (int i = 0; i < 6; ++i) write(kNames[i], worlds[kNames[i]] = knownSave(100.0f * (i + 1), 800.0f, {}));
  const auto savedAt = fs::last_write_time(work / "TessalySave.1.wld") - std::chrono::hours(30);
  fs::last_write_time(work / "TessalySave.1.wld", savedAt);
  const auto holds = [&](const char* name, const char* original) {
    return savetest::readFile(work / name) == worlds[original];
  };
  const int lock = lockSaveDirectory(work.string());  // a write of the game in flight
  xharness::GameProcess tool({{TESSALY_SAVE_EXE, "restore", "1"}, work.string()});
  std::this_thread::sleep_for(xharness::Millis(300));
  EXPECT_TRUE(tool.running());
  EXPECT_TRUE(holds("TessalySave.wld", "TessalySave.wld"));
  unlockSaveDirectory(lock);
  ASSERT_EQ(0, tool.waitForExit(xharness::Millis(10000))) << tool.output();
  EXPECT_EQ("Restored TessalySave.1.wld as TessalySave.wld; the save it replaced is now TessalySave.1.wld\n",
            tool.output());
  EXPECT_TRUE(fs::last_write_time(work / "TessalySave.wld") == savedAt);
  EXPECT_TRUE(holds("TessalySave.wld", "TessalySave.1.wld"));
  EXPECT_TRUE(holds("TessalySave.1.wld", "TessalySave.wld"));
  EXPECT_TRUE(holds("TessalySave.2.wld", "TessalySave.2.wld"));
  EXPECT_TRUE(holds("TessalySave.3.wld", "TessalySave.3.wld"));
  ASSERT_EQ(0, run("restore 1")) << err;
  EXPECT_TRUE(holds("TessalySave.wld", "TessalySave.wld"));
  ASSERT_EQ(0, run("restore autosave.1")) << err;
  EXPECT_EQ(
      "Restored TessalySave.autosave.1.wld as TessalySave.wld; the save it replaced is kept as "
      "TessalySave.1.wld and the oldest kept save, TessalySave.3.wld, is gone\n",
      out);
  EXPECT_TRUE(holds("TessalySave.wld", "TessalySave.autosave.1.wld"));
  EXPECT_TRUE(holds("TessalySave.1.wld", "TessalySave.wld"));
  // A failure says which file and why.
  fs::remove(work / "TessalySave.3.wld");
  fs::create_directory(work / "TessalySave.3.wld");
  EXPECT_EQ(1, run("restore 2"));
  EXPECT_EQ(
      "TessalySave.2.wld: Failed to restore it: TessalySave.3.wld: not a regular file; "
      "TessalySave.wld and the kept saves are as they were\n",
      err);
  EXPECT_EQ(6, std::distance(fs::directory_iterator(work), fs::directory_iterator()))
      << "a file was left over";
}

// Every directory call from the numbered one on does nothing, as if the
// process had been killed there.
int stopAtCall = -1, callsMade = 0;
bool stopped() { return stopAtCall >= 0 && callsMade++ >= stopAtCall ? (errno = EIO, true) : false; }

// A restore stopped at any step leaves a set that `list` shows as the next
// restore takes it: never one moved halfway.
TEST_F(SaveToolRun, ListAfterAStoppedRestoreShowsWhatTheNextRestoreTakes) {
  const char* kNames[] = {"TessalySave.wld", "TessalySave.1.wld", "TessalySave.2.wld", "TessalySave.3.wld"};
  const SaveDiskCalls real = saveDiskCalls;
  std::vector<Bytes> worlds;
  for (int i = 0; i < 4; ++i) worlds.push_back(knownSave(100.0f * (i + 1), 800.0f, {}));
  for (int step = 0;; ++step) {
    SCOPED_TRACE(step);
    for (int i = 0; i < 4; ++i) write(kNames[i], worlds[i]);
    saveDiskCalls.renameAt = [](int a, const char* b, int c, const char* d) {
      return stopped() ? -1 : renameat(a, b, c, d);
    };
    saveDiskCalls.unlinkAt = [](int a, const char* b, int c) { return stopped() ? -1 : unlinkat(a, b, c); };
    stopAtCall = step, callsMade = 0;
    const int dirFd = lockSaveDirectory(work.string());
    restoreKeptSaveLocked(dirFd, 1, worlds[2].data(), worlds[2].size(), nullptr, nullptr);
    unlockSaveDirectory(dirFd);
    saveDiskCalls = real;
    const bool done = callsMade <= step;
    ASSERT_EQ(0, run("list")) << err;
    std::vector<std::string> xs;  // the player's x of each listed file, in order
    for (size_t at = out.find("  x "); at != std::string::npos; at = out.find("  x ", at + 1))
      xs.push_back(out.substr(at + 4, out.find(' ', at + 4) - at - 4));
    ASSERT_TRUE(xs == std::vector<std::string>({"100", "200", "300", "400"}) ||
                xs == std::vector<std::string>({"300", "100", "200", "400"}))
        << out;
    ASSERT_EQ(0, run("restore 2")) << err;
    EXPECT_TRUE(savetest::readFile(work / kSaveFileName) == worlds[std::stoi(xs[2]) / 100 - 1]);
    if (done) break;  // the restore got through without reaching the step
  }
}

using IconRun = SaveToolRun;  // the icon program in a directory of its own

// Each PNG has its size; the SVG, drawn at 31.5 pixels a cell, is opaque and
// has the largest PNG's colour at the middle of every cell.
TEST_F(IconRun, PngsHaveTheirSizesAndTheSvgDrawsTheLargestOnesCells) {
  const auto icons = xharness::runProgram({{TESSALY_ICON_EXE, "."}, work.string()});
  const auto drawn = xharness::runProgram(
      {{RSVG_CONVERT_EXE, "-w", "252", "-h", "252", "-o", "svg.png", "scalable/apps/tessaly.svg"},
       work.string()});
  ASSERT_TRUE(startPictureLibrary());
  al_set_new_bitmap_flags(ALLEGRO_MEMORY_BITMAP);
  ALLEGRO_BITMAP* png = nullptr;  // the last, the largest
  for (const int size : kIconSizes) {
    if (png != nullptr) al_destroy_bitmap(png);
    png = al_load_bitmap(
        (work / (std::to_string(size) + "x" + std::to_string(size)) / "apps/tessaly.png").c_str());
    EXPECT_TRUE(png != nullptr && al_get_bitmap_width(png) == size && al_get_bitmap_height(png) == size)
        << size << ": " << icons.err;
  }
  ALLEGRO_BITMAP* svg = al_load_bitmap((work / "svg.png").c_str());
  ASSERT_TRUE(png != nullptr && svg != nullptr) << drawn.err;
  for (int y = 0; y < 252; ++y)
    for (int x = 0; x < 252; ++x) ASSERT_EQ(1.0f, al_get_pixel(svg, x, y).a) << x << "," << y;
  const int cell = al_get_bitmap_width(png) / kIconCells;
  for (int y = 0; y < kIconCells; ++y)
    for (int x = 0; x < kIconCells; ++x) {
      const ALLEGRO_COLOR want = al_get_pixel(png, x * cell + cell / 2, y * cell + cell / 2);
      const ALLEGRO_COLOR got = al_get_pixel(svg, x * 63 / 2 + 16, y * 63 / 2 + 16);
      EXPECT_EQ(std::tuple(want.r, want.g, want.b), std::tuple(got.r, got.g, got.b)) << x << "," << y;
    }
  al_destroy_bitmap(png);
  al_destroy_bitmap(svg);
}

}  // namespace
