// tessaly-save: list, check, picture and bring back the save files of the
// game's folder (the working directory, or for the installed game, built with
// TESSALY_INSTALLED=1, the player's data folder), or of the folder -C names.
// Results go to standard output, every error to standard
// error as one line; exit 0 done, 1 failed, 2 usage error.
#include <allegro5/allegro.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "platform/DataFolder.h"
#include "platform/Picture.h"
#include "tool/SaveTool.h"
#include "tool/WorldMap.h"

namespace {

void complain(const std::string& line) { std::fprintf(stderr, "%s\n", line.c_str()); }

// The folder the tool works on, as named, when it is not the working
// directory it was started in (the installed tool's data folder, -C's);
// empty when it is.
std::string folderShown;

// A file name as the user finds it from the working directory they started in.
std::string shownName(const std::string& name) {
  if (folderShown.empty() || name.starts_with('/')) return name;
  return folderShown + (folderShown.ends_with('/') ? "" : "/") + name;
}

int listSaves() {
  int listed = 0;
  std::string damaged;
  DecodedSave save;
  for (const std::string& name : saveToolFiles()) {
    const SaveRead read = readSaveFile(name);
    if (!read.found) continue;
    ++listed;
    if (!read.problem.empty()) damaged += (damaged.empty() ? "" : ", ") + name;
    if (read.problem.empty()) save = decodeCheckedSave(read.bytes);
    std::printf("%s\n", listLine(name, read, read.problem.empty() ? &save.player : nullptr).c_str());
  }
  if (listed == 0) {
    complain("No save files in the working directory");
    return 1;
  }
  if (!damaged.empty()) complain("The game cannot load " + damaged);
  return damaged.empty() ? 0 : 1;
}

int showInfo(const std::string& path) {
  const SaveRead read = readSaveFile(path);
  if (!read.problem.empty()) {
    complain(fileProblem(path, read.problem));
    return 1;
  }
  const DecodedSave save = decodeCheckedSave(read.bytes);
  std::fputs(infoText(path, read, *save.world, save.player).c_str(), stdout);
  return 0;
}

int drawMap(const ToolArgs& args) {
  const SaveRead read = readSaveFile(args.file);
  if (!read.problem.empty()) {
    complain(fileProblem(args.file, read.problem));
    return 1;
  }
  const DecodedSave save = decodeCheckedSave(read.bytes);
  if (!startPictureLibrary()) {
    complain("The image library could not be started");
    return 1;
  }
  ALLEGRO_BITMAP* map = makeWorldMap(*save.world, save.player, args.scale);
  if (map == nullptr) {
    complain("Not enough memory for a picture at scale " + std::to_string(args.scale));
    return 1;
  }
  std::string error;
  const bool written = writePngFile(map, args.output, &error);
  al_destroy_bitmap(map);
  if (!written) {
    complain("Cannot write " + args.output + ": " + error);
    return 1;
  }
  std::printf("Wrote %s: %d x %d pixels, %d a cell\n", shownName(args.output).c_str(), mapWidth(args.scale),
              mapHeight(args.scale), args.scale);
  return 0;
}

int restore(const std::string& source) {
  std::string line;
  const bool restored = restoreKeptSave(source, &line);
  std::fprintf(restored ? stdout : stderr, "%s\n", line.c_str());
  return restored ? 0 : 1;
}

// The folder the files are in becomes the working directory: -C's, else the
// installed game's data folder, else the working directory as it is.
bool enterToolFolder(const std::string& given) {
  const std::string folder = !given.empty() ? given : TESSALY_INSTALLED ? dataFolderFromEnvironment() : ".";
  std::string error;
  struct stat before {
  }, after{};
  const bool known = stat(".", &before) == 0;
  // The installed game's folder only if it is the player's own, as the game checks it.
  if ((!given.empty() || !TESSALY_INSTALLED || checkDataFolder(folder, &error)) &&
      enterFolder(folder, &error)) {
    if (!known || stat(".", &after) != 0 || before.st_dev != after.st_dev || before.st_ino != after.st_ino)
      folderShown = folder;
    return true;
  }
  complain(error);
  return false;
}

int run(const ToolArgs& args) {
  switch (args.command) {
    case ToolCommand::kHelp: std::fputs(kSaveToolUsage, stdout); return 0;
    case ToolCommand::kList: return listSaves();
    case ToolCommand::kInfo: return showInfo(args.file);
    case ToolCommand::kMap: return drawMap(args);
    case ToolCommand::kRestore: return restore(args.file);
  }
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  const std::vector<std::string> words(argv + 1, argv + argc);
  ToolArgs args;
  std::string error;
  if (!parseToolArgs(words, &args, &error)) {
    complain("tessaly-save: " + error + " (tessaly-save --help shows the usage)");
    return 2;
  }
  if (args.command != ToolCommand::kHelp && !enterToolFolder(args.folder)) return 1;
  const int status = run(args);
  // Output that never arrived is a failure too (a full disk, a closed pipe).
  if (std::fflush(stdout) != 0 || std::ferror(stdout)) {
    complain(std::string("tessaly-save: cannot write the output: ") + std::strerror(errno));
    return 1;
  }
  return status;
}
