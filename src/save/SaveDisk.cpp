// The save files on disk: reading, and replacing all or nothing.
#include "save/SaveDisk.h"

#include <fcntl.h>
#include <linux/fs.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <new>

namespace {
int folderFlagsOf(int dirFd, int* flags);
}  // namespace

#include "world/Notices.h"

SaveDiskCalls saveDiskCalls = {
    renameat, linkat, unlinkat,
    [](int dirFd, const char* name, int flags, mode_t mode) { return openat(dirFd, name, flags, mode); },
    folderFlagsOf};

namespace {

// The one buffer of saves and loads, with room for one byte more than a save
// so that a longer file shows as such. Null if it could not be made.
constexpr size_t kFileBufferBytes = kSaveFileBytes + 1;
uint8_t* fileBuffer() {
  static const std::unique_ptr<uint8_t[]> buffer(new (std::nothrow) uint8_t[kFileBufferBytes]);
  return buffer.get();
}

int renameIn(int dirFd, const char* from, const char* to) {
  return saveDiskCalls.renameAt(dirFd, from, dirFd, to);
}
int linkIn(int dirFd, const char* from, const char* to) {
  return saveDiskCalls.linkAt(dirFd, from, dirFd, to, 0);
}
int unlinkIn(int dirFd, const char* name) { return saveDiskCalls.unlinkAt(dirFd, name, 0); }

// What stands under a name: nothing, a regular file (with its identity and
// size), or something else.
struct Entry {
  bool exists = false;
  bool regular = false;
  struct stat info {};
};
Entry entryOf(int dirFd, const char* name) {
  Entry entry;
  entry.exists = fstatat(dirFd, name, &entry.info, AT_SYMLINK_NOFOLLOW) == 0 || errno != ENOENT;
  entry.regular = entry.exists && S_ISREG(entry.info.st_mode);
  return entry;
}
bool exists(int dirFd, const char* name) { return entryOf(dirFd, name).exists; }
bool sameFile(int dirFd, const char* a, const char* b) {
  const Entry first = entryOf(dirFd, a), second = entryOf(dirFd, b);
  return first.regular && second.regular && first.info.st_dev == second.info.st_dev &&
         first.info.st_ino == second.info.st_ino;
}

// A file system without hard links says so with one of these.
bool noHardLinks(int error) {
  return error == EPERM || error == EOPNOTSUPP || error == EMLINK || error == ENOSYS;
}

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

// Whether the regular file `name` holds exactly `bytes`.
bool holdsBytes(int dirFd, const char* name, const uint8_t* bytes, size_t size) {
  const Entry entry = entryOf(dirFd, name);
  if (!entry.regular || static_cast<size_t>(entry.info.st_size) != size) return false;
  const int fd = openat(dirFd, name, O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
  if (fd < 0) return false;
  uint8_t chunk[1 << 16];
  size_t at = 0;
  bool same = true;
  while (same && at < size) {
    const ssize_t n = read(fd, chunk, std::min(sizeof chunk, size - at));
    if (n < 0 && errno == EINTR) continue;
    same = n > 0 && std::memcmp(chunk, bytes + at, static_cast<size_t>(n)) == 0;
    at += n > 0 ? static_cast<size_t>(n) : 0;
  }
  close(fd);
  return same;
}

// A failure's cause as one line: the name and the system's reason.
bool failWith(std::string* cause, const char* name, int error) {
  if (cause != nullptr) *cause = std::string(name) + ": " + std::strerror(error);
  return false;
}

// Write the temporary file, synced, with the permissions of the file it will
// replace (or those the umask gives a new file: the kernel applies it to the
// 0666 asked for here). A leftover of an interrupted write is replaced.
bool writeTemporary(int dirFd, const char* target, const uint8_t* bytes, size_t size,
                    const timespec* modified, std::string* cause) {
  if (unlinkIn(dirFd, kSaveTemporaryName) != 0 && errno != ENOENT)
    return failWith(cause, kSaveTemporaryName, errno);
  const int fd =
      saveDiskCalls.openAt(dirFd, kSaveTemporaryName, O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
  if (fd < 0) return failWith(cause, kSaveTemporaryName, errno);
  bool ok = writeAll(fd, bytes, size);
  struct stat old {};
  if (ok && fstatat(dirFd, target, &old, 0) == 0) ok = fchmod(fd, old.st_mode & 07777) == 0;
  if (ok && modified != nullptr) {
    const timespec times[2] = {{0, UTIME_OMIT}, *modified};
    ok = futimens(fd, times) == 0;
  }
  ok = ok && fsync(fd) == 0;
  if (!ok) failWith(cause, kSaveTemporaryName, errno != 0 ? errno : EIO);
  if (close(fd) != 0 && ok) ok = failWith(cause, kSaveTemporaryName, errno);
  return ok;
}

// Steps 2 to 6 of a write (see SaveDisk.h), the temporary written: the kept
// files before kept[cut] move one place down, and the file of kept[cut] (if
// any) waits under held[cut] until the new file is in place. Every kept
// name before `cut` holds a file. False at the first step that fails, the
// steps before it left for recoverSlot.
bool moveIntoPlace(int dirFd, const SaveSlotFiles& files, int cut, std::string* cause) {
  const char* current = files.current;
  if (!exists(dirFd, current))
    return renameIn(dirFd, kSaveTemporaryName, current) == 0 || failWith(cause, current, errno);
  const char* held = files.held[cut];
  const char* last = files.kept[cut];
  bool links = true;
  if (exists(dirFd, last)) {
    if (linkIn(dirFd, last, held) != 0) {
      if (!noHardLinks(errno) || renameIn(dirFd, last, held) != 0) return failWith(cause, last, errno);
      links = false;
    } else if (cut == 0 && unlinkIn(dirFd, last) != 0) {
      // The current file takes its name next; held keeps it meanwhile.
      return failWith(cause, last, errno);
    }
  } else if (linkIn(dirFd, kSaveTemporaryName, held) != 0) {
    // Only a mark: an empty file.
    const int fd = saveDiskCalls.openAt(dirFd, held, O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd < 0) return failWith(cause, held, errno);
    close(fd);
    links = false;
  }
  for (int i = cut - 1; i >= 0; --i)
    if (renameIn(dirFd, files.kept[i], files.kept[i + 1]) != 0) return failWith(cause, files.kept[i], errno);
  if (!links || linkIn(dirFd, current, files.kept[0]) != 0)
    if ((links && !noHardLinks(errno)) || renameIn(dirFd, current, files.kept[0]) != 0)
      return failWith(cause, current, errno);
  if (renameIn(dirFd, kSaveTemporaryName, current) != 0) return failWith(cause, current, errno);
  // The new file is in place: the held one may go. If it cannot, the next
  // write or start removes it.
  unlinkIn(dirFd, held);
  return true;
}

// Undo the steps of a write stopped before its rename into place (the
// temporary is still there); after it, finish by removing the held name.
// Which held name is there tells how far the kept files had moved.
bool recoverCut(int dirFd, const SaveSlotFiles& files, int cut) {
  const char* held = files.held[cut];
  if (!exists(dirFd, held)) return true;
  const char* last = files.kept[cut];
  if (exists(dirFd, kSaveTemporaryName)) {
    if (!exists(dirFd, files.current) && exists(dirFd, files.kept[0]))
      renameIn(dirFd, files.kept[0], files.current);
    else if (sameFile(dirFd, files.current, files.kept[0]))
      unlinkIn(dirFd, files.kept[0]);
    for (int i = 0; i < cut; ++i)
      if (!exists(dirFd, files.kept[i]) && exists(dirFd, files.kept[i + 1]) &&
          !sameFile(dirFd, files.kept[i + 1], held))
        renameIn(dirFd, files.kept[i + 1], files.kept[i]);
    const Entry entry = entryOf(dirFd, held);
    const bool onlyName = entry.regular && entry.info.st_nlink == 1 && entry.info.st_size > 0;
    if (onlyName && !exists(dirFd, last)) renameIn(dirFd, held, last);
    if (onlyName) return !exists(dirFd, held);
  }
  return unlinkIn(dirFd, held) == 0 || errno == ENOENT;
}

bool recoverSlot(int dirFd, const SaveSlotFiles& files) {
  bool ok = true;
  for (int cut = 0; cut < files.keptCount; ++cut) ok = recoverCut(dirFd, files, cut) && ok;
  return ok;
}

bool recoverAll(int dirFd) {
  bool ok = true;
  for (const SaveSlotFiles& files : kSaveSlotFiles) ok = recoverSlot(dirFd, files) && ok;
  return ok;
}

// Whether a name of the game may be read through: anything but a link that
// another user owns (in a shared folder, someone else's link may lead to
// any file the player can read).
bool foreignLink(const struct stat& info) { return S_ISLNK(info.st_mode) && info.st_uid != geteuid(); }

// Why a file under one of the slot's names stops a write (it is not one the
// game wrote), or empty.
std::string strangerUnder(int dirFd, const char* name) {
  const Entry entry = entryOf(dirFd, name);
  if (!entry.exists || entry.regular) return {};
  if (foreignLink(entry.info)) return std::string(name) + ": " + kForeignLinkProblem;
  return std::string(name) + ": not a regular file";
}

// The first kept name before `upTo` that holds no file, or -1.
int firstFreeKept(int dirFd, const SaveSlotFiles& files, int upTo) {
  for (int i = 0; i < upTo; ++i)
    if (!exists(dirFd, files.kept[i])) return i;
  return -1;
}

// Whether the directory refuses renames and removals (append-only or
// immutable), which would stop a rotation halfway: found before a change.
bool folderRefusesChanges(int dirFd, const char* name, std::string* cause) {
  int flags = 0;
  if (saveDiskCalls.folderFlags(dirFd, &flags) != 0) return false;  // no such flags here
  if ((flags & (FS_APPEND_FL | FS_IMMUTABLE_FL)) == 0) return false;
  if (cause != nullptr)
    *cause = std::string(name) + ": " + std::strerror(EPERM) + " (the folder is " +
             ((flags & FS_IMMUTABLE_FL) ? "immutable)" : "append-only)");
  return true;
}

// The checks and the rotation of a write of `files` whose kept files before
// kept[cut] move down (see moveIntoPlace).
WriteResult writeWithCut(int dirFd, const SaveSlotFiles& files, int cut, const uint8_t* bytes, size_t size,
                         const timespec* modified, std::string* cause) {
  if (folderRefusesChanges(dirFd, files.current, cause)) return WriteResult::kFailed;
  if (!writeTemporary(dirFd, files.current, bytes, size, modified, cause) ||
      !moveIntoPlace(dirFd, files, cut, cause)) {
    recoverSlot(dirFd, files);
    unlinkIn(dirFd, kSaveTemporaryName);
    return WriteResult::kFailed;
  }
  // The new file is in place; a failed directory sync only delays durability.
  fsync(dirFd);
  return WriteResult::kWritten;
}

// Only the game's own files are moved: anything else under the slot's names
// stops a write before it changes a thing.
bool onlyOwnFiles(int dirFd, const SaveSlotFiles& files, std::string* cause) {
  for (int i = -1; i < files.keptCount; ++i) {
    const std::string stranger = strangerUnder(dirFd, i < 0 ? files.current : files.kept[i]);
    if (stranger.empty()) continue;
    if (cause != nullptr) *cause = stranger;
    return false;
  }
  return true;
}

int folderFlagsOf(int dirFd, int* flags) { return ioctl(dirFd, FS_IOC_GETFLAGS, flags); }

}  // namespace

int lockSaveDirectory(const std::string& directory) {
  const int dirFd = open(directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dirFd < 0) return -1;
  for (int attempt = 0; attempt < 1000; ++attempt) {
    if (flock(dirFd, LOCK_EX | LOCK_NB) == 0) return dirFd;
    if (errno != EWOULDBLOCK && errno != EINTR) break;
    usleep(10000);
  }
  close(dirFd);
  return -1;
}

void unlockSaveDirectory(int dirFd) {
  if (dirFd >= 0) close(dirFd);
}

bool recoverSaveFilesLocked(int dirFd) { return recoverAll(dirFd); }

bool recoverSaveFiles(const std::string& directory) {
  const int dirFd = lockSaveDirectory(directory);
  const bool ok = dirFd >= 0 && recoverAll(dirFd);
  unlockSaveDirectory(dirFd);
  return ok;
}

WriteResult writeSaveFileLocked(int dirFd, SaveSlot slot, const uint8_t* bytes, size_t size,
                                const timespec* modified, std::string* cause) {
  const SaveSlotFiles& files = slotFiles(slot);
  if (!recoverAll(dirFd)) {
    if (cause != nullptr) *cause = std::string(files.current) + ": an earlier write could not be finished";
    return WriteResult::kFailed;
  }
  if (entryOf(dirFd, files.current).regular && holdsBytes(dirFd, files.current, bytes, size))
    return WriteResult::kUnchanged;
  if (!onlyOwnFiles(dirFd, files, cause)) return WriteResult::kFailed;
  // The kept files move down as far as the first free name; only when none
  // is free does the oldest go.
  const int free = firstFreeKept(dirFd, files, files.keptCount);
  return writeWithCut(dirFd, files, free >= 0 ? free : files.keptCount - 1, bytes, size, modified, cause);
}

WriteResult writeSaveFile(const std::string& directory, SaveSlot slot, const uint8_t* bytes, size_t size,
                          std::string* cause) {
  const int dirFd = lockSaveDirectory(directory);
  if (dirFd < 0) {
    failWith(cause, directory.c_str(), errno);
    return WriteResult::kFailed;
  }
  const WriteResult result = writeSaveFileLocked(dirFd, slot, bytes, size, nullptr, cause);
  unlockSaveDirectory(dirFd);
  return result;
}

WriteResult restoreKeptSaveLocked(int dirFd, int index, const uint8_t* bytes, size_t size,
                                  const timespec* modified, std::string* cause) {
  const SaveSlotFiles& files = slotFiles(SaveSlot::kSave);
  if (!recoverAll(dirFd)) {
    if (cause != nullptr) *cause = std::string(files.current) + ": an earlier write could not be finished";
    return WriteResult::kFailed;
  }
  if (entryOf(dirFd, files.current).regular && holdsBytes(dirFd, files.current, bytes, size))
    return WriteResult::kUnchanged;
  if (!onlyOwnFiles(dirFd, files, cause) || folderRefusesChanges(dirFd, files.current, cause))
    return WriteResult::kFailed;
  const char* source = files.kept[index];
  // With no save, the kept file only changes its name.
  if (!exists(dirFd, files.current)) {
    if (renameIn(dirFd, source, files.current) != 0)
      return failWith(cause, source, errno), WriteResult::kFailed;
    fsync(dirFd);
    return WriteResult::kWritten;
  }
  // A free name before it: the restored file goes there first, so that
  // every kept name before the one it leaves holds a file.
  const int free = firstFreeKept(dirFd, files, index);
  if (free >= 0 && renameIn(dirFd, source, files.kept[free]) != 0)
    return failWith(cause, source, errno), WriteResult::kFailed;
  const int cut = free >= 0 ? free : index;
  const WriteResult result = writeWithCut(dirFd, files, cut, bytes, size, modified, cause);
  if (result == WriteResult::kFailed && free >= 0) renameIn(dirFd, files.kept[free], source);
  return result;
}

bool FileIdentity::operator==(const FileIdentity& other) const {
  return device == other.device && inode == other.inode && modified.tv_sec == other.modified.tv_sec &&
         modified.tv_nsec == other.modified.tv_nsec;
}

bool identifyFile(const std::string& path, FileIdentity* identity) {
  struct stat info {};
  if (stat(path.c_str(), &info) != 0) return false;
  *identity = {info.st_dev, info.st_ino, info.st_mtim};
  return true;
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

std::string saveFailureLine(const std::string& cause) {
  return (cause.empty() ? std::string("the save folder: the write failed") : cause) + "\n";
}

namespace {

// Whether the last part of `path` is one of the game's names.
bool isGameName(const std::string& path) {
  const std::string name = path.substr(path.rfind('/') + 1);
  if (name == kSaveTemporaryName) return true;
  for (const SaveSlotFiles& files : kSaveSlotFiles) {
    if (name == files.current) return true;
    for (int i = 0; i < files.keptCount; ++i)
      if (name == files.kept[i] || name == files.held[i]) return true;
  }
  return false;
}

std::string unreadable(int error) {
  return std::string("The save file could not be read: ") + std::strerror(error);
}

}  // namespace

bool readSaveBytes(const std::string& path, uint8_t* bytes, size_t* size, std::string* failure) {
  struct stat info {};
  if (isGameName(path) && lstat(path.c_str(), &info) == 0 && foreignLink(info)) {
    *failure = path.substr(path.rfind('/') + 1) + ": " + kForeignLinkProblem;
    return false;
  }
  // Not even opened unless a regular file: opening a device may do things.
  if (stat(path.c_str(), &info) != 0) {
    *failure = errno == ENOENT || errno == ENOTDIR ? "No save found" : unreadable(errno);
    return false;
  }
  const int fd =
      S_ISREG(info.st_mode) ? open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC) : -1;
  if (fd >= 0 && fstat(fd, &info) != 0) {
    const int error = errno;
    close(fd);
    *failure = unreadable(error);
    return false;
  }
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
  const int readError = errno;
  close(fd);
  if (!ok) {
    *failure = bytes == nullptr ? "The save file could not be read" : unreadable(readError);
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

Player loadWorldFrom(const std::string& directory, World* world, Player player,
                     const BlockCatalogue catalogue, FileIdentity* identity) {
  uint8_t* bytes = fileBuffer();
  size_t size = 0;
  std::string failure;
  const std::string path = directory + "/" + kSaveFileName;
  // A write of the save tool is finished (or undone) before the file is read.
  const int dirFd = lockSaveDirectory(directory);
  if (dirFd >= 0) recoverAll(dirFd);
  if (readSaveBytes(path, bytes, &size, &failure)) failure = findSaveDamage(bytes, size);
  if (failure.empty() && identity != nullptr) identifyFile(path, identity);
  unlockSaveDirectory(dirFd);
  if (!failure.empty()) {
    std::printf("%s\n", failure.c_str());
    postNotice(failure);
    player.loadFailed = 1;
    return player;
  }
  const Player loaded = decodeSave(bytes, world, player, catalogue);
  std::printf("Loaded the world!\n");
  postNotice("Loaded the world!");
  return loaded;
}
