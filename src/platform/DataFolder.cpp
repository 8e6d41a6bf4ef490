#include "platform/DataFolder.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace {

bool isSet(const char* value) { return value != nullptr && value[0] != '\0'; }

std::string failure(const char* what, const std::string& path, int error) {
  return std::string(what) + " " + path + ": " + std::strerror(error);
}

}  // namespace

std::string dataFolderFor(const char* xdgDataHome, const char* home) {
  if (isSet(xdgDataHome) && xdgDataHome[0] == '/') return std::string(xdgDataHome) + "/tessaly";
  if (isSet(home))
    return std::string(home) + (home[std::strlen(home) - 1] == '/' ? "" : "/") + ".local/share/tessaly";
  return "";
}

std::string dataFolderFromEnvironment() {
  return dataFolderFor(std::getenv("XDG_DATA_HOME"), std::getenv("HOME"));
}

bool makeDataFolder(const std::string& path, std::string* error) {
  if (path.empty()) {
    *error = kNoDataFolderLine;
    return false;
  }
  // Each missing folder on the way, from the top down.
  for (size_t end = path.find('/', 1);; end = path.find('/', end + 1)) {
    const std::string part = path.substr(0, end);
    if (mkdir(part.c_str(), 0700) != 0 && errno != EEXIST) {
      *error = failure("Cannot make the data folder", path, errno);
      return false;
    }
    if (end == std::string::npos) break;
  }
  return checkDataFolder(path, error);
}

bool checkDataFolder(const std::string& path, std::string* error) {
  struct stat status;
  if (path.empty() || lstat(path.c_str(), &status) != 0) {
    *error = path.empty() ? kNoDataFolderLine : failure("Cannot use the data folder", path, errno);
    return false;
  }
  const char* why = nullptr;
  if (S_ISLNK(status.st_mode))
    why = "it is a link, not a folder of its own";
  else if (!S_ISDIR(status.st_mode))
    why = std::strerror(ENOTDIR);
  else if (status.st_uid != geteuid())
    why = "it belongs to another user";
  else if ((status.st_mode & (S_IWGRP | S_IWOTH)) != 0)
    why = "other users may write to it";
  if (why == nullptr) return true;
  *error = std::string(S_ISDIR(status.st_mode) || S_ISLNK(status.st_mode) ? "Cannot use the data folder "
                                                                          : "Cannot make the data folder ") +
           path + ": " + why;
  return false;
}

bool enterFolder(const std::string& path, std::string* error) {
  if (!path.empty() && chdir(path.c_str()) == 0) return true;
  *error = path.empty() ? kNoDataFolderLine : failure("Cannot work in the folder", path, errno);
  return false;
}
