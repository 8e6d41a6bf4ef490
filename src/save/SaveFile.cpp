// The save file: encoding, checking, decoding and safe replacement.
#include "save/SaveFile.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <bit>
#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>
#include <new>

namespace {

void putU32(uint8_t* at, uint32_t value) {
  at[0] = static_cast<uint8_t>(value);
  at[1] = static_cast<uint8_t>(value >> 8);
  at[2] = static_cast<uint8_t>(value >> 16);
  at[3] = static_cast<uint8_t>(value >> 24);
}
void putI32(uint8_t* at, int32_t value) { putU32(at, static_cast<uint32_t>(value)); }
void putF32(uint8_t* at, float value) { putU32(at, std::bit_cast<uint32_t>(value)); }

uint32_t getU32(const uint8_t* at) {
  return static_cast<uint32_t>(at[0]) | static_cast<uint32_t>(at[1]) << 8 |
         static_cast<uint32_t>(at[2]) << 16 | static_cast<uint32_t>(at[3]) << 24;
}
int32_t getI32(const uint8_t* at) { return static_cast<int32_t>(getU32(at)); }
float getF32(const uint8_t* at) { return std::bit_cast<float>(getU32(at)); }

// Player block offsets.
constexpr size_t kPlayerX = 0, kPlayerY = 4, kDirtCount = 8, kGrassCount = 12, kStoneCount = 16,
                 kGoldCount = 20, kOnGround = 28, kSelectedSlot = 32, kKeys = 36, kScreenWidth = 264,
                 kScreenHeight = 268, kLoadRequested = 272, kLoadFailed = 276;
// Cell record offsets.
constexpr size_t kCellName = 0, kCellType = 8, kCellPassable = 16, kCellX = 20, kCellY = 24;

// The one buffer of saves and loads, with room for one byte more than a save
// so that a longer file shows as such. Null if it could not be made.
constexpr size_t kFileBufferBytes = kSaveFileBytes + 1;
uint8_t* fileBuffer() {
  static const std::unique_ptr<uint8_t[]> buffer(new (std::nothrow) uint8_t[kFileBufferBytes]);
  return buffer.get();
}

const uint8_t* cellRecord(const uint8_t* bytes, int index) {
  return bytes + kSavePlayerBytes + kSaveCellBytes * static_cast<size_t>(index);
}

}  // namespace

void encodeSave(const World& world, const Player& player, uint8_t* out) {
  std::memset(out, 0, kSavePlayerBytes);
  putF32(out + kPlayerX, player.x);
  putF32(out + kPlayerY, player.y);
  putI32(out + kDirtCount, player.dirtCount);
  putI32(out + kGrassCount, player.grassCount);
  putI32(out + kStoneCount, player.stoneCount);
  putI32(out + kGoldCount, player.goldCount);
  out[kOnGround] = player.onGround;
  putI32(out + kSelectedSlot, player.selectedSlot);
  std::memcpy(out + kKeys, player.keys, sizeof player.keys);
  putI32(out + kScreenWidth, player.screenWidth);
  putI32(out + kScreenHeight, player.screenHeight);
  out[kLoadRequested] = player.loadRequested;
  putI32(out + kLoadFailed, player.loadFailed);

  for (int index = 0; index < kWorldCells; ++index) {
    const Cell& cell = world.cells[index];
    uint8_t* record = out + kSavePlayerBytes + kSaveCellBytes * static_cast<size_t>(index);
    std::memset(record, 0, kSaveCellBytes);
    const size_t nameLength = strnlen(cell.name, sizeof cell.name);
    std::memcpy(record + kCellName, cell.name, nameLength);
    putI32(record + kCellType, cell.typeId);
    record[kCellPassable] = cell.passable;
    putF32(record + kCellX, cell.x);
    putF32(record + kCellY, cell.y);
  }
}

std::string findSaveDamage(const uint8_t* bytes, size_t size) {
  char line[160];
  if (size != kSaveFileBytes) {
    std::snprintf(line, sizeof line, "The save file is damaged: it holds %zu bytes, not %zu", size,
                  kSaveFileBytes);
    return line;
  }
  const float x = getF32(bytes + kPlayerX);
  const float y = getF32(bytes + kPlayerY);
  // The negated tests also refuse NaN.
  if (!(x >= kLowestPlayerX && x <= kHighestPlayerX && y >= kLowestPlayerY && y <= kHighestPlayerY)) {
    std::snprintf(line, sizeof line,
                  "The save file is damaged: the player's position (%g, %g) is outside the world",
                  static_cast<double>(x), static_cast<double>(y));
    return line;
  }
  for (int index = 0; index < kWorldCells; ++index) {
    const int32_t typeId = getI32(cellRecord(bytes, index) + kCellType);
    if (typeId < 0 || typeId >= kBlockKinds) {
      std::snprintf(line, sizeof line,
                    "The save file is damaged: the cell at column %d, row %d has unknown block type %d",
                    index / kWorldRows, index % kWorldRows, static_cast<int>(typeId));
      return line;
    }
  }
  return {};
}

Player decodeSave(const uint8_t* bytes, World* world, const Player& current, const BlockCatalogue catalogue) {
  Player loaded;
  loaded.x = getF32(bytes + kPlayerX);
  loaded.y = getF32(bytes + kPlayerY);
  loaded.dirtCount = getI32(bytes + kDirtCount);
  loaded.grassCount = getI32(bytes + kGrassCount);
  loaded.stoneCount = getI32(bytes + kStoneCount);
  loaded.goldCount = getI32(bytes + kGoldCount);
  // Nothing holds up a sprite above the top row: it may not jump from there.
  loaded.onGround = loaded.y <= kHighestStandingY ? 0 : bytes[kOnGround];
  loaded.selectedSlot = getI32(bytes + kSelectedSlot);
  std::memcpy(loaded.keys, bytes + kKeys, sizeof loaded.keys);
  loaded.loadRequested = bytes[kLoadRequested];
  // Kept from the running game, not the file.
  loaded.sprite = current.sprite;
  loaded.screenWidth = current.screenWidth;
  loaded.screenHeight = current.screenHeight;
  loaded.loadFailed = 0;

  for (int index = 0; index < kWorldCells; ++index) {
    const uint8_t* record = cellRecord(bytes, index);
    Cell cell{};
    std::memcpy(cell.name, record + kCellName, sizeof cell.name);
    cell.typeId = getI32(record + kCellType);
    assert(cell.typeId >= 0 && cell.typeId < kBlockKinds);
    cell.bitmap = catalogue[cell.typeId].bitmap;
    cell.passable = record[kCellPassable];
    cell.x = getF32(record + kCellX);
    cell.y = getF32(record + kCellY);
    storeCell(world, index, cell);
  }
  return loaded;
}

namespace {

// Write all of `size` bytes to `fd`.
bool writeAll(int fd, const uint8_t* bytes, size_t size) {
  for (size_t written = 0; written < size;) {
    const ssize_t n = write(fd, bytes + written, size - written);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    written += static_cast<size_t>(n);
  }
  return true;
}

// Take the directory's lock, which writers in other processes take too; a
// writer holds it for one write, so wait a second at most.
bool lockDirectory(int dirFd) {
  for (int attempt = 0; attempt < 100; ++attempt) {
    if (flock(dirFd, LOCK_EX | LOCK_NB) == 0) return true;
    if (errno != EWOULDBLOCK && errno != EINTR) return false;
    usleep(10000);
  }
  return false;
}

// Write the temporary file, synced, with the permissions of the file it will
// replace (or those the umask gives a new file: the kernel applies it to the
// 0666 asked for here). A leftover of an interrupted write is replaced.
bool writeTemporary(int dirFd, const char* target, const uint8_t* bytes, size_t size) {
  if (unlinkat(dirFd, kSaveTemporaryName, 0) != 0 && errno != ENOENT) return false;
  const int fd = openat(dirFd, kSaveTemporaryName, O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
  if (fd < 0) return false;
  bool ok = writeAll(fd, bytes, size);
  struct stat old {};
  if (ok && fstatat(dirFd, target, &old, 0) == 0) ok = fchmod(fd, old.st_mode & 07777) == 0;
  ok = ok && fsync(fd) == 0;
  ok = (close(fd) == 0) && ok;
  return ok;
}

// Whether two names of the directory are the same file.
bool sameFile(int dirFd, const char* a, const char* b) {
  struct stat first {
  }, second{};
  return fstatat(dirFd, a, &first, AT_SYMLINK_NOFOLLOW) == 0 &&
         fstatat(dirFd, b, &second, AT_SYMLINK_NOFOLLOW) == 0 && first.st_dev == second.st_dev &&
         first.st_ino == second.st_ino;
}

// Move the kept saves one place down and keep the current save as the first,
// which stays in place under its own name too (a hard link) until the new
// save is renamed over it. A missing or odd kept file is passed over.
void keepPreviousSaves(int dirFd) {
  struct stat current {};
  // Only a save is kept: whatever else is in the way stays, and the rename
  // over it decides whether the save goes through.
  if (fstatat(dirFd, kSaveFileName, &current, AT_SYMLINK_NOFOLLOW) != 0 || !S_ISREG(current.st_mode)) return;
  // A save stopped between this and its rename left the current save as the
  // first kept one already: moving again would push a kept save out.
  if (sameFile(dirFd, kSaveFileName, kKeptSaveNames[0])) return;
  renameat(dirFd, kKeptSaveNames[1], dirFd, kKeptSaveNames[2]);
  renameat(dirFd, kKeptSaveNames[0], dirFd, kKeptSaveNames[1]);
  if (linkat(dirFd, kSaveFileName, dirFd, kKeptSaveNames[0], 0) != 0)
    // A file system without hard links: the current save moves instead, and
    // its name is free only until the rename that follows.
    renameat(dirFd, kSaveFileName, dirFd, kKeptSaveNames[0]);
}

}  // namespace

bool writeSaveFile(const std::string& directory, SaveSlot slot, const uint8_t* bytes, size_t size) {
  const char* target = slot == SaveSlot::kSave ? kSaveFileName : kAutosaveFileName;
  const int dirFd = open(directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dirFd < 0) return false;
  bool ok = lockDirectory(dirFd);
  if (ok) {
    ok = writeTemporary(dirFd, target, bytes, size);
    if (ok && slot == SaveSlot::kSave) keepPreviousSaves(dirFd);
    ok = ok && renameat(dirFd, kSaveTemporaryName, dirFd, target) == 0;
    if (!ok)
      unlinkat(dirFd, kSaveTemporaryName, 0);
    else
      // The new file is in place; a failed directory sync only delays durability.
      fsync(dirFd);
  }
  close(dirFd);  // lets go of the lock
  return ok;
}

int removeOldTemporaries(const std::string& directory) {
  DIR* dir = opendir(directory.c_str());
  if (dir == nullptr) return 0;
  const std::string prefix = std::string(kSaveFileName) + ".";
  int removed = 0;
  while (const dirent* entry = readdir(dir)) {
    const std::string name = entry->d_name;
    if (name.size() != prefix.size() + 6 || name.compare(0, prefix.size(), prefix) != 0) continue;
    if (!std::all_of(name.begin() + prefix.size(), name.end(),
                     [](char c) { return std::isalnum(static_cast<unsigned char>(c)) != 0; }))
      continue;
    struct stat info {};
    if (fstatat(dirfd(dir), entry->d_name, &info, AT_SYMLINK_NOFOLLOW) == 0 && S_ISREG(info.st_mode) &&
        unlinkat(dirfd(dir), entry->d_name, 0) == 0)
      ++removed;
  }
  closedir(dir);
  return removed;
}

bool reserveSaveBuffer() {
  uint8_t* bytes = fileBuffer();
  // Touch every page now, so that the first save does not pay for it.
  if (bytes != nullptr) std::memset(bytes, 0, kFileBufferBytes);
  return bytes != nullptr;
}

uint8_t* keptSaveBuffer() { return fileBuffer(); }

const char* saveResultLine(SaveSlot slot, bool ok) {
  if (slot == SaveSlot::kSave) return ok ? "Saved the world!\n" : "Failed to save the world!\n";
  return ok ? "Autosaved the world!\n" : "Failed to autosave the world!\n";
}

void saveWorldTo(const std::string& directory, const World* world, const Player& player, SaveSlot slot) {
  uint8_t* bytes = fileBuffer();
  if (bytes != nullptr) encodeSave(*world, player, bytes);
  const bool ok = bytes != nullptr && writeSaveFile(directory, slot, bytes, kSaveFileBytes);
  std::printf("%s", saveResultLine(slot, ok));
}

bool readSaveBytes(const std::string& path, uint8_t* bytes, size_t* size, std::string* failure) {
  struct stat info {};
  // Not even opened unless a regular file: opening a device may do things.
  if (stat(path.c_str(), &info) != 0) {
    *failure = "No save found";
    return false;
  }
  const int fd =
      S_ISREG(info.st_mode) ? open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC) : -1;
  if (fd >= 0 && fstat(fd, &info) != 0) info.st_mode = 0;
  if (!S_ISREG(info.st_mode)) {  // also a file swapped for something else after the first look
    if (fd >= 0) close(fd);
    *failure = "The save file is not a regular file";
    return false;
  }
  if (fd < 0) {
    *failure = errno == ENOENT ? "No save found" : "The save file could not be read";
    return false;
  }
  *size = 0;
  bool ok = bytes != nullptr;
  while (ok && *size < kFileBufferBytes) {
    const ssize_t n = read(fd, bytes + *size, kFileBufferBytes - *size);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) ok = false;
    if (n <= 0) break;
    *size += static_cast<size_t>(n);
  }
  close(fd);
  if (!ok) {
    *failure = "The save file could not be read";
    return false;
  }
  if (*size > kSaveFileBytes) {
    char line[160];
    std::snprintf(line, sizeof line, "The save file is damaged: it holds %lld bytes, not %zu",
                  static_cast<long long>(std::max<off_t>(info.st_size, static_cast<off_t>(*size))),
                  kSaveFileBytes);
    *failure = line;
    return false;
  }
  return true;
}

Player loadWorldFrom(const std::string& path, World* world, Player player, const BlockCatalogue catalogue) {
  uint8_t* bytes = fileBuffer();
  size_t size = 0;
  std::string failure;
  if (readSaveBytes(path, bytes, &size, &failure)) failure = findSaveDamage(bytes, size);
  if (!failure.empty()) {
    std::printf("%s\n", failure.c_str());
    player.loadFailed = 1;
    return player;
  }
  const Player loaded = decodeSave(bytes, world, player, catalogue);
  std::printf("Loaded the world!\n");
  return loaded;
}
