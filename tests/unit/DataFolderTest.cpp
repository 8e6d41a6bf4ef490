// Where the installed game keeps its files, and making that folder.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <functional>

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

  // A folder another user could read or plant files in is never used: one line, nothing written there.
  const fs::path theirs = root / "theirs";
  fs::create_directory(theirs);
  fs::permissions(theirs, fs::perms::all);
  const bool root_ = geteuid() == 0;  // only root can give a file to another user
  const struct {
    const char* name;
    std::function<void(const fs::path&)> make;
    const char* why;
  } kForeign[] = {
      {"a link to another user's open folder",
       [&](const fs::path& p) {
         fs::create_directory_symlink(theirs, p);
         if (root_) lchown(p.c_str(), 65534, 65534);
       },
       "it is a link, not a folder of its own"},
      {"a folder anyone may write",
       [](const fs::path& p) { fs::create_directory(p), chmod(p.c_str(), 0777); },
       "other users may write to it"},
      {"another user's folder",
       [&](const fs::path& p) {
         fs::create_directory(p), chmod(p.c_str(), 0700), chown(p.c_str(), 65534, 65534);
       },
       root_ ? "it belongs to another user" : nullptr},
  };
  for (const auto& c : kForeign) {
    if (c.why == nullptr) continue;
    const fs::path place = root / c.name / "tessaly";
    fs::create_directory(root / c.name);
    c.make(place);
    EXPECT_FALSE(makeDataFolder(place, &error)) << c.name;
    EXPECT_EQ("Cannot use the data folder " + place.string() + ": " + c.why, error);
  }
  fs::remove_all(root);
}

}  // namespace
