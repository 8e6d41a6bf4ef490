// The player's own data folder, where an installed game keeps its saves and
// pictures: $XDG_DATA_HOME/tessaly when that variable holds an absolute path,
// otherwise $HOME/.local/share/tessaly.
#pragma once

#include <string>

// The folder for these values of XDG_DATA_HOME and HOME (null when unset),
// or empty when neither gives one: never "/" or the working directory.
std::string dataFolderFor(const char* xdgDataHome, const char* home);

// What an empty folder name means to the two calls below.
constexpr const char* kNoDataFolderLine =
    "Cannot find the data folder: neither HOME nor an absolute XDG_DATA_HOME is set";

// The same from the environment. Read it before any thread starts.
std::string dataFolderFromEnvironment();

// Make `path` and whichever of its parents are missing, each with mode 0700
// (less the umask, which is left alone); a folder already there is kept as it
// is. False with one line in *error, naming the folder, when it cannot be
// made or is not the player's own (checkDataFolder; kNoDataFolderLine for an
// empty name).
bool makeDataFolder(const std::string& path, std::string* error);

// Whether `path` is the player's own folder: a folder, not a link, owned by
// the player and writable by no one else. False with one line in *error,
// naming the folder and why (another user could read or plant files there).
bool checkDataFolder(const std::string& path, std::string* error);

// Make `path` the working directory, so that every relative name the process
// uses lands there. Call it before any thread starts. False with one line in
// *error, naming the folder (kNoDataFolderLine for an empty name).
bool enterFolder(const std::string& path, std::string* error);
