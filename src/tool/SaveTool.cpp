// The logic of tessaly-save: command line, reading and checking, texts, map.
#include "tool/SaveTool.h"

#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstdio>
#include <cstring>

#include "platform/LocalTime.h"
#include "save/SaveDisk.h"
#include "save/SaveFile.h"

const char kSaveToolUsage[] =
    "Usage: tessaly-save [-C DIR] COMMAND\n"
    "Looks after the Tessaly save files in the game's folder: the working\n"
    "directory for a game run from its source tree, $XDG_DATA_HOME/tessaly\n"
    "(~/.local/share/tessaly) for an installed game. File names are taken there.\n"
    "\n"
    "  -C DIR                            work on the save files in DIR instead\n"
    "  list                              one line per save file: name, time written,\n"
    "                                    position, inventory, and ok or what is wrong\n"
    "  info [FILE]                       check one file as the game would load it and\n"
    "                                    show the player and the cells of each kind\n"
    "                                    (default TessalySave.wld); exit 1 if damaged\n"
    "  map [FILE] [OUT.png] [--scale N]  a picture of the whole world, N x N pixels a\n"
    "                                    cell (1 to 10, default 2), the player in it\n"
    "                                    (default TessalySave.wld to TessalySave.png)\n"
    "  restore 1|2|3|autosave|autosave.1|autosave.2\n"
    "                                    make a kept save or an autosave the save,\n"
    "                                    the current save becomes TessalySave.1.wld\n"
    "  --help                            this text\n"
    "\n"
    "Exit status: 0 done, 1 a file is missing, damaged or cannot be written,\n"
    "2 a usage error.\n";

namespace {

bool endsWithPng(const std::string& name) {
  if (name.size() < 4) return false;
  std::string tail = name.substr(name.size() - 4);
  std::transform(tail.begin(), tail.end(), tail.begin(), [](unsigned char c) { return std::tolower(c); });
  return tail == ".png";
}

bool parseScale(const std::string& text, int* scale) {
  int value = 0;
  const auto [end, failure] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (failure != std::errc() || end != text.data() + text.size()) return false;
  if (value < 1 || value > kLargestMapScale) return false;
  *scale = value;
  return true;
}

// The map's words after "map": at most two names and one scale.
bool parseMapArgs(const std::vector<std::string>& words, ToolArgs* args, std::string* error) {
  std::vector<std::string> names;
  bool scaleGiven = false;
  for (size_t i = 1; i < words.size(); ++i) {
    const std::string& word = words[i];
    std::string value;
    if (word == "--scale") {
      if (i + 1 == words.size()) {
        *error = "--scale needs a number from 1 to 10";
        return false;
      }
      value = words[++i];
    } else if (word.rfind("--scale=", 0) == 0) {
      value = word.substr(8);
    } else if (word.size() > 1 && word[0] == '-') {
      *error = "map does not know the option " + word;
      return false;
    } else {
      names.push_back(word);
      continue;
    }
    if (scaleGiven || !parseScale(value, &args->scale)) {
      *error = scaleGiven ? "--scale is given twice" : "the scale must be a whole number from 1 to 10";
      return false;
    }
    scaleGiven = true;
  }
  if (names.size() > 2) {
    *error = "map takes at most a save file and a picture name";
    return false;
  }
  // A lone name ending in .png is the picture.
  if (names.size() == 1 && endsWithPng(names[0])) names.insert(names.begin(), "");
  args->file = names.empty() || names[0].empty() ? kSaveFileName : names[0];
  args->output = names.size() < 2 ? kDefaultMapName : names[1];
  if (!endsWithPng(args->output)) {
    *error = "the picture's name must end in .png";
    return false;
  }
  return true;
}

}  // namespace

std::vector<std::string> saveToolFiles() {
  std::vector<std::string> names;
  for (const SaveSlotFiles& files : kSaveSlotFiles) {
    names.push_back(files.current);
    names.insert(names.end(), files.kept, files.kept + files.keptCount);
  }
  return names;
}

std::string restoreSourceName(const std::string& name) {
  const std::string file = "TessalySave." + name + ".wld";
  for (const std::string& known : saveToolFiles())
    if (file == known && known != kSaveFileName) return file;
  return {};
}

bool parseToolArgs(const std::vector<std::string>& given, ToolArgs* args, std::string* error) {
  *args = ToolArgs{};
  std::vector<std::string> words = given;
  if (!words.empty() && words[0] == "-C") {
    if (words.size() < 2 || words[1].empty()) {
      *error = "-C needs a folder";
      return false;
    }
    args->folder = words[1];
    words.erase(words.begin(), words.begin() + 2);
  }
  if (words.empty()) {
    *error = "no command given";
    return false;
  }
  for (const std::string& word : words)
    if (word == "--help" || word == "-h") {
      args->command = ToolCommand::kHelp;
      return true;
    }
  const std::string& command = words[0];
  const size_t extra = words.size() - 1;
  if (command == "help" && extra == 0) {
    args->command = ToolCommand::kHelp;
    return true;
  }
  if (command == "list") {
    args->command = ToolCommand::kList;
    if (extra == 0) return true;
    *error = "list takes no arguments";
    return false;
  }
  if (command == "info") {
    args->command = ToolCommand::kInfo;
    if (extra <= 1 && (extra == 0 || words[1].empty() || words[1][0] != '-')) {
      args->file = extra == 1 ? words[1] : kSaveFileName;
      if (!args->file.empty()) return true;
    }
    *error = "info takes at most one save file";
    return false;
  }
  if (command == "map") {
    args->command = ToolCommand::kMap;
    return parseMapArgs(words, args, error);
  }
  if (command == "restore") {
    args->command = ToolCommand::kRestore;
    if (extra == 1) args->file = restoreSourceName(words[1]);
    if (!args->file.empty()) return true;
    *error = "restore takes one of 1, 2, 3, autosave, autosave.1 or autosave.2";
    return false;
  }
  *error = "unknown command \"" + command + "\"";
  return false;
}

namespace {

SaveRead readUnlocked(const std::string& path) {
  SaveRead read;
  struct stat info {};
  read.found = stat(path.c_str(), &info) == 0 || errno != ENOENT;
  if (read.found) read.written = info.st_mtim;
  read.bytes.resize(kSaveFileBytes + 1);
  size_t size = 0;
  if (readSaveBytes(path, read.bytes.data(), &size, &read.problem))
    read.problem = findSaveDamage(read.bytes.data(), size);
  read.bytes.resize(read.problem.empty() ? size : 0);
  return read;
}

}  // namespace

SaveRead readSaveFile(const std::string& path) {
  // Not in the middle of one of the game's writes, and a write that was
  // stopped is finished or undone first: what is read is what a restore takes.
  const int dirFd = lockSaveDirectory(".");
  if (dirFd >= 0) recoverSaveFilesLocked(dirFd);
  SaveRead read = readUnlocked(path);
  unlockSaveDirectory(dirFd);
  return read;
}

std::string fileProblem(const std::string& name, const std::string& problem) {
  return problem.starts_with(name + ": ") ? problem : name + ": " + problem;
}

bool restoreKeptSave(const std::string& source, std::string* line) {
  const int dirFd = lockSaveDirectory(".");
  if (dirFd < 0) {
    *line = fileProblem(source, "Cannot take the working directory's lock: nothing was restored");
    return false;
  }
  recoverSaveFilesLocked(dirFd);
  const SaveRead read = readUnlocked(source);
  const SaveSlotFiles& files = slotFiles(SaveSlot::kSave);
  struct stat current {};
  const bool hadSave = lstat(kSaveFileName, &current) == 0;
  int index = -1;  // the kept save restored, or -1 for an autosave
  bool full = true;
  for (int i = 0; i < files.keptCount; ++i) {
    if (source == files.kept[i]) index = i;
    full = full && lstat(files.kept[i], &current) == 0;
  }
  WriteResult result = WriteResult::kFailed;
  std::string cause;
  if (read.problem.empty() && index >= 0)
    result = restoreKeptSaveLocked(dirFd, index, read.bytes.data(), read.bytes.size(), &read.written, &cause);
  else if (read.problem.empty())
    result = writeSaveFileLocked(dirFd, SaveSlot::kSave, read.bytes.data(), read.bytes.size(), &read.written,
                                 &cause);
  unlockSaveDirectory(dirFd);
  const std::string restored = "Restored " + source + " as " + kSaveFileName;
  if (!read.problem.empty())
    *line = fileProblem(source, read.problem);
  else if (result == WriteResult::kFailed)
    *line = fileProblem(source, "Failed to restore it: " + cause + "; " + kSaveFileName +
                                    " and the kept saves are as they were");
  else if (result == WriteResult::kUnchanged)
    *line = std::string(kSaveFileName) + " holds the world of " + source + " already: nothing was moved";
  else if (!hadSave)
    *line = restored;
  else if (index >= 0)
    *line = restored + "; the save it replaced is now " + files.kept[0] +
            (index > 0 ? " and the kept saves before " + source + " moved down one" : "");
  else
    *line = restored + "; the save it replaced is kept as " + files.kept[0] +
            (full ? std::string(" and the oldest kept save, ") + files.kept[files.keptCount - 1] + ", is gone"
                  : "");
  return result != WriteResult::kFailed;
}

DecodedSave decodeCheckedSave(const std::vector<uint8_t>& bytes) {
  BlockCatalogue catalogue;
  fillCatalogueEntries(catalogue);
  DecodedSave save;
  save.world = std::make_unique<World>();
  save.player = decodeSave(bytes.data(), save.world.get(), makeStartingPlayer(), catalogue);
  return save;
}

void countKinds(const World& world, int64_t counts[kBlockKinds]) {
  std::fill(counts, counts + kBlockKinds, 0);
  for (const Cell& cell : world.cells)
    if (cell.typeId >= 0 && cell.typeId < kBlockKinds) ++counts[cell.typeId];
}

std::string listLine(const std::string& name, const SaveRead& read, const Player* player) {
  char line[512];
  const std::string when = formatLocalTime(read.written.tv_sec, "%Y-%m-%d %H:%M:%S", "unknown time");
  if (!read.problem.empty() || player == nullptr) {
    std::snprintf(line, sizeof line, "%-24s  %s  %s", name.c_str(), when.c_str(), read.problem.c_str());
    return line;
  }
  std::snprintf(line, sizeof line, "%-24s  %s  x %g y %g  dirt %d grass %d stone %d gold %d  ok",
                name.c_str(), when.c_str(), static_cast<double>(player->x), static_cast<double>(player->y),
                static_cast<int>(player->dirtCount), static_cast<int>(player->grassCount),
                static_cast<int>(player->stoneCount), static_cast<int>(player->goldCount));
  return line;
}

std::string infoText(const std::string& name, const SaveRead& read, const World& world,
                     const Player& player) {
  static constexpr const char* kKindNames[kBlockKinds] = {"Null",  "Air",  "Dirt",       "Grass",
                                                          "Stone", "Gold", "Underground"};
  const Player& p = player;
  char line[512];
  std::string text;
  std::snprintf(line, sizeof line, "%s: ok, %zu bytes, written %s\n", name.c_str(), read.bytes.size(),
                formatLocalTime(read.written.tv_sec, "%Y-%m-%d %H:%M:%S", "unknown time").c_str());
  text += line;
  std::snprintf(line, sizeof line, "Player: x %g, y %g, on ground %d, selected slot %d, load requested %d\n",
                static_cast<double>(p.x), static_cast<double>(p.y), p.onGround,
                static_cast<int>(p.selectedSlot), p.loadRequested);
  text += line;
  std::snprintf(line, sizeof line, "Inventory: dirt %d, grass %d, stone %d, gold %d\n",
                static_cast<int>(p.dirtCount), static_cast<int>(p.grassCount), static_cast<int>(p.stoneCount),
                static_cast<int>(p.goldCount));
  text += line;
  text += "Held keys:";
  bool anyHeld = false;
  for (int key = 0; key < ALLEGRO_KEY_MAX; ++key)
    if (p.keys[key] != 0) {
      text += ' ';
      text += std::to_string(key);
      anyHeld = true;
    }
  text += anyHeld ? "\n" : " none\n";
  int64_t counts[kBlockKinds];
  countKinds(world, counts);
  text += "Cells:";
  for (int id = 0; id < kBlockKinds; ++id)
    text += std::string(id == 0 ? " " : ", ") + kKindNames[id] + " " + std::to_string(counts[id]);
  text += "\n";
  return text;
}

void paintWorldMap(const World& world, float playerX, float playerY, int scale, uint8_t* rgba, size_t pitch) {
  const int width = mapWidth(scale);
  const int height = mapHeight(scale);
  uint32_t colours[kBlockKinds];
  for (int id = 0; id < kBlockKinds; ++id) {
    const uint8_t pixel[4] = {kTileColours[id].r, kTileColours[id].g, kTileColours[id].b, 255};
    std::memcpy(&colours[id], pixel, 4);
  }
  // The first pixel row of each cell row, then copies of it.
  for (int row = 0; row < kWorldRows; ++row) {
    uint8_t* first = rgba + pitch * static_cast<size_t>(row * scale);
    uint8_t* out = first;
    for (int col = 0; col < kWorldColumns; ++col) {
      const int32_t typeId = world.cells[cellIndex(col, row)].typeId;
      const uint32_t colour = typeId >= 0 && typeId < kBlockKinds ? colours[typeId] : colours[kNull];
      for (int i = 0; i < scale; ++i, out += 4) std::memcpy(out, &colour, 4);
    }
    for (int copy = 1; copy < scale; ++copy)
      std::memcpy(first + pitch * static_cast<size_t>(copy), first, static_cast<size_t>(width) * 4);
  }
  // The player's figure, its corner truncated toward zero as on screen.
  const int left = static_cast<int>(static_cast<double>(playerX) * scale / kCellSize);
  const int top = static_cast<int>(static_cast<double>(playerY) * scale / kCellSize);
  const int right = std::min(width, left + kPlayerWidth * scale / kCellSize);
  const int bottom = std::min(height, top + kPlayerHeight * scale / kCellSize);
  const uint8_t figure[4] = {kPlayerColour.r, kPlayerColour.g, kPlayerColour.b, 255};
  for (int y = std::max(0, top); y < bottom; ++y)
    for (int x = std::max(0, left); x < right; ++x)
      std::memcpy(rgba + pitch * y + 4 * static_cast<size_t>(x), figure, 4);
}
