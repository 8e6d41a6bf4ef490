// The save files on disk: reading one, and replacing one while keeping the
// ones before it, all or nothing.
//
// A write of a slot (see kSaveSlotFiles) goes, under the directory's lock:
//   1. write kSaveTemporaryName and sync it;
//   2. give the kept file that leaves (the first free kept name, else the
//      oldest; for a restore the one restored) its held name (a hard link,
//      or without hard links a rename; with no file there, the held name is
//      made as a mark), so that it stays on disk while the others move down;
//   3. move the kept files before it one place down, newest last;
//   4. give the current file the first kept name (a hard link, or a rename);
//   5. rename the temporary over the current file: the new file is in place;
//   6. remove the held name: the file it held goes only now.
// A failure at any step undoes the steps before it, so a failed write
// changes no file but its temporary, which it removes. A write stopped at any
// step (a killed process) leaves every file on disk and the held name behind:
// the next write, load or listing (recoverSaveFiles) finds it and finishes
// (after step 5) or undoes (before it) that write.
//
// A folder whose flags refuse renames and removals (append-only) fails a
// write before its first change. A link under one of the game's names that
// another user owns is never followed: a read refuses it, a write fails.
#pragma once

#include <sys/types.h>

#include <cstddef>
#include <cstdint>
#include <ctime>
#include <string>

#include "player/Player.h"
#include "save/SaveFile.h"
#include "world/World.h"

// The calls that change names in the directory. Tests replace them to fail
// or stop a write at each step; the game leaves them as they are.
struct SaveDiskCalls {
  int (*renameAt)(int dirFd, const char* from, int toDirFd, const char* to);
  int (*linkAt)(int dirFd, const char* from, int toDirFd, const char* to, int flags);
  int (*unlinkAt)(int dirFd, const char* name, int flags);
  int (*openAt)(int dirFd, const char* name, int flags, mode_t mode);
  // The directory's inode flags (FS_IOC_GETFLAGS); non-zero where it has none.
  int (*folderFlags)(int dirFd, int* flags);
};
extern SaveDiskCalls saveDiskCalls;

// Take the lock on `directory` that every writer of the game's files (the
// game, the save tool) holds for the whole of an operation, waiting up to
// ten seconds for another holder. The directory's descriptor, or -1.
int lockSaveDirectory(const std::string& directory);
// Let go of the lock (closes the descriptor).
void unlockSaveDirectory(int dirFd);

// Finish or undo a write of either slot that was stopped in the middle, in a
// directory whose lock the caller holds. False if one is left unfinished.
bool recoverSaveFilesLocked(int dirFd);
// The same, taking the lock for it.
bool recoverSaveFiles(const std::string& directory);

enum class WriteResult {
  kFailed,     // nothing changed
  kWritten,    // the new file is in place, the one before it kept
  kUnchanged,  // the current file holds these bytes already: nothing moved
};

// Replace the slot's file with `bytes` as described above, in a directory
// whose lock the caller holds. Gives the new file the time `modified` if not
// null (else now). Something other than a regular file under one of the
// slot's names fails the write. On failure *cause (if given) is one line
// without its newline: the file and why ("TessalySave.1.wld: Operation not
// permitted").
WriteResult writeSaveFileLocked(int dirFd, SaveSlot slot, const uint8_t* bytes, size_t size,
                                const timespec* modified = nullptr, std::string* cause = nullptr);
// The same, taking the lock for it.
WriteResult writeSaveFile(const std::string& directory, SaveSlot slot, const uint8_t* bytes, size_t size,
                          std::string* cause = nullptr);

// Make the save's kept file number index + 1 (kept[index]), whose checked
// bytes are `bytes`, the save, in a directory whose lock the caller holds: a
// reordering, not a save. The save becomes the first kept file and the kept
// files before the restored one move down behind it; the ones after it stay,
// so no file goes and none is there twice (restoring the first kept file
// twice changes nothing). The save gets the time `modified`. *cause as for
// writeSaveFileLocked.
WriteResult restoreKeptSaveLocked(int dirFd, int index, const uint8_t* bytes, size_t size,
                                  const timespec* modified, std::string* cause);

// Why a read or a write refuses a link another user owns under a game's name.
constexpr const char* kForeignLinkProblem = "a link that another user owns, not followed";

// Which file a name of the directory is, to see whether it was replaced.
struct FileIdentity {
  dev_t device = 0;
  ino_t inode = 0;
  timespec modified{};
  bool operator==(const FileIdentity&) const;
};
// False if there is no such file.
bool identifyFile(const std::string& path, FileIdentity* identity);

// The buffer saves and loads share, kSaveFileBytes + 1 long, made and
// touched once so that no save or load allocates or faults pages in. False
// if it cannot be made (each save and load then fails with its line).
bool reserveSaveBuffer();
uint8_t* keptSaveBuffer();

// Read the save at `path` into `bytes` (kSaveFileBytes + 1 long) without ever
// blocking: anything but a regular file is refused before it is read. Sets
// *size; on failure the console line without its newline (a longer file is
// refused here, a shorter one is left to findSaveDamage).
bool readSaveBytes(const std::string& path, uint8_t* bytes, size_t* size, std::string* failure);

// Load the save of `directory` through the kept buffer, under the lock and
// after recoverSaveFiles, printing the line; refuses, without blocking,
// anything that is not a regular file. On failure `player` with loadFailed
// 1. *identity (if given) is the file loaded.
Player loadWorldFrom(const std::string& directory, World* world, Player player,
                     const BlockCatalogue catalogue, FileIdentity* identity = nullptr);

// The console line of a finished write (with its newline).
const char* saveResultLine(SaveSlot slot, bool ok);

// A failed write's cause line for standard error (with its newline).
std::string saveFailureLine(const std::string& cause);
