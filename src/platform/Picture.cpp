// Pictures as PNG files, through the library's image addon.
#include "platform/Picture.h"

#include <allegro5/allegro.h>
#include <allegro5/allegro_image.h>
#include <fcntl.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>

bool startPictureLibrary() { return al_init() && al_init_image_addon(); }

ALLEGRO_BITMAP* createLockedPicture(int width, int height, ALLEGRO_LOCKED_REGION** region) {
  const int flags = al_get_new_bitmap_flags();
  const int format = al_get_new_bitmap_format();
  al_set_new_bitmap_flags(ALLEGRO_MEMORY_BITMAP);
  al_set_new_bitmap_format(ALLEGRO_PIXEL_FORMAT_ABGR_8888);
  ALLEGRO_BITMAP* picture = al_create_bitmap(width, height);
  al_set_new_bitmap_flags(flags);
  al_set_new_bitmap_format(format);
  if (picture == nullptr) return nullptr;
  *region = al_lock_bitmap(picture, ALLEGRO_PIXEL_FORMAT_ABGR_8888, ALLEGRO_LOCK_WRITEONLY);
  if (*region == nullptr) {
    al_destroy_bitmap(picture);
    return nullptr;
  }
  return picture;
}

namespace {

// Encode `picture` as a PNG file of this process's own beside `path`; its
// name, or empty with *error set. The kernel applies the umask to its mode.
std::string encodeBeside(ALLEGRO_BITMAP* picture, const std::string& path, std::string* error) {
  static std::atomic<unsigned> serial{0};
  const std::string temporary =
      path + ".part-" + std::to_string(getpid()) + "-" + std::to_string(serial.fetch_add(1));
  const int fd = open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
  if (fd < 0) {
    *error = std::strerror(errno);
    return {};
  }
  ALLEGRO_FILE* file = al_fopen_fd(fd, "wb");
  if (file == nullptr) {
    close(fd);
    unlink(temporary.c_str());
    *error = "cannot open a stream on it";
    return {};
  }
  bool ok = al_save_bitmap_f(file, ".png", picture);
  // The encoder leaves the picture locked when the file fails it midway (a
  // full disk): unlocked here, so that the picture can be written again.
  if (al_is_bitmap_locked(picture)) al_unlock_bitmap(picture);
  ok = al_fflush(file) && ok;
  ok = ok && !al_ferror(file);
  const int savedErrno = ok ? 0 : errno;
  ok = al_fclose(file) && ok;
  if (!ok) {
    unlink(temporary.c_str());
    *error = savedErrno != 0 ? std::strerror(savedErrno) : "the image library could not encode it";
    return {};
  }
  return temporary;
}

// Give `from` the name `to` unless a file of that name exists.
bool renameAsNew(const std::string& from, const std::string& to) {
  if (renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) return true;
  if (errno != EINVAL && errno != ENOSYS) return false;
  // A file system without that rename: a hard link claims the name just as safely.
  if (link(from.c_str(), to.c_str()) != 0) return false;
  unlink(from.c_str());
  return true;
}

}  // namespace

bool writePngFile(ALLEGRO_BITMAP* picture, const std::string& path, std::string* error) {
  const std::string temporary = encodeBeside(picture, path, error);
  if (temporary.empty()) return false;
  if (std::rename(temporary.c_str(), path.c_str()) == 0) return true;
  *error = std::strerror(errno);
  unlink(temporary.c_str());
  return false;
}

bool writeNewPngFile(ALLEGRO_BITMAP* picture, const std::string& stem, std::string* name,
                     std::string* error) {
  const std::string temporary = encodeBeside(picture, stem + ".png", error);
  if (temporary.empty()) return false;
  for (int number = 1; number <= kLastPictureNumber; ++number) {
    *name = stem;
    if (number > 1) *name += '-' + std::to_string(number);
    *name += ".png";
    if (renameAsNew(temporary, *name)) return true;
    if (errno != EEXIST) break;
  }
  *error = errno == EEXIST ? "every name is taken" : std::strerror(errno);
  unlink(temporary.c_str());
  return false;
}
