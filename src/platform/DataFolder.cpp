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
  struct stat status;
  if (stat(path.c_str(), &status) != 0) {
    *error = failure("Cannot make the data folder", path, errno);
    return false;
  }
  if (!S_ISDIR(status.st_mode)) {
    *error = failure("Cannot make the data folder", path, ENOTDIR);
    return false;
  }
  return true;
}

bool enterFolder(const std::string& path, std::string* error) {
  if (!path.empty() && chdir(path.c_str()) == 0) return true;
  *error = path.empty() ? kNoDataFolderLine : failure("Cannot work in the folder", path, errno);
  return false;
}
