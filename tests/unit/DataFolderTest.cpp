// Where the installed game keeps its files, and making that folder.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "SaveTestFiles.h"
#include "platform/DataFolder.h"

namespace fs = std::filesystem;

namespace {

TEST(DataFolder, IsXdgDataHomesWhenAbsoluteElseHomesAndNeverAGuess) {
  const struct {
    const char* xdgDataHome;
    const char* home;
    std::string folder;
  } kCases[] = {
      {"/data", "/home/p", "/data/tessaly"},
      {"data", "/home/p", "/home/p/.local/share/tessaly"},
      {"", "/home/p/", "/home/p/.local/share/tessaly"},
      {nullptr, "/", "/.local/share/tessaly"},
      {"data", nullptr, ""},
      {nullptr, "", ""},
  };
  for (const auto& c : kCases) {
    EXPECT_EQ(c.folder, dataFolderFor(c.xdgDataHome, c.home))
        << (c.xdgDataHome ? c.xdgDataHome : "unset") << ", " << (c.home ? c.home : "unset");
  }
}

TEST(DataFolder, IsMadeWithItsParentsForTheOwnerOnlyAndOnlyAsAFolder) {
  const fs::path root = savetest::makeScratchDirectory("tessaly-folder");
  ASSERT_FALSE(root.empty());
  const fs::path folder = root / "a/b/tessaly";
  std::string error;
  ASSERT_TRUE(makeDataFolder(folder, &error)) << error;
  for (const fs::path& made : {root / "a", root / "a/b", folder}) {
    struct stat status {};
    ASSERT_EQ(0, stat(made.c_str(), &status));
    EXPECT_EQ(0700u, status.st_mode & 07777) << made;
  }
  std::ofstream(folder / "kept") << "x";
  EXPECT_TRUE(makeDataFolder(folder, &error)) << error;
  EXPECT_TRUE(fs::exists(folder / "kept"));

  EXPECT_FALSE(makeDataFolder(folder / "kept", &error));
  EXPECT_EQ("Cannot make the data folder " + (folder / "kept").string() + ": Not a directory", error);
  EXPECT_FALSE(makeDataFolder(folder / "kept/deeper", &error));
  EXPECT_EQ("Cannot make the data folder " + (folder / "kept/deeper").string() + ": Not a directory", error);
  EXPECT_FALSE(makeDataFolder("", &error));
  EXPECT_EQ(kNoDataFolderLine, error);
  EXPECT_FALSE(enterFolder("", &error));
  EXPECT_EQ(kNoDataFolderLine, error);
  EXPECT_FALSE(enterFolder(folder / "kept", &error));
  EXPECT_EQ("Cannot work in the folder " + (folder / "kept").string() + ": Not a directory", error);

  // A folder another user could read or plant files in is never used.
  const fs::path open = root / "open";
  fs::create_directory(open);
  const uid_t other = geteuid() == 65534 ? 65533 : 65534;
  const struct {
    const char* name;
    mode_t mode;  // 0: a link to `open`
    uid_t owner;
    const char* why;
  } kForeign[] = {{"link", 0, other, "it is a link, not a folder of its own"},
                  {"shared", 0777, geteuid(), "other users may write to it"},
                  {"theirs", 0700, other, "it belongs to another user"}};
  for (const auto& c : kForeign) {
    const fs::path place = root / c.name / "tessaly";
    fs::create_directory(root / c.name);
    if (c.mode == 0) fs::create_directory_symlink(open, place);
    if (c.mode != 0) mkdir(place.c_str(), 0700), chmod(place.c_str(), c.mode);
    if (lchown(place.c_str(), c.owner, c.owner) != 0) continue;  // only root gives a file away
    EXPECT_FALSE(makeDataFolder(place, &error)) << c.name;
    EXPECT_EQ("Cannot use the data folder " + place.string() + ": " + c.why, error);
  }
  fs::remove_all(root);
}

}  // namespace
