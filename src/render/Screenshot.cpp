// F12's pictures: a copy on the render thread, the PNG on a thread of its own.
#include "render/Screenshot.h"

#include <allegro5/allegro.h>

#include <atomic>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <mutex>

#include "platform/LocalTime.h"
#include "platform/Picture.h"
#include "platform/Worker.h"
#include "world/Notices.h"

struct ScreenshotWriter {
  std::string directory;
  Worker* worker = nullptr;         // the encoder, one copy at a time
  std::mutex mutex;                 // guards the spare
  ALLEGRO_BITMAP* spare = nullptr;  // a copy no longer needed, kept for the next shot
};

namespace {

constexpr const char* kFailedLine = "Failed to save a picture!\n";
// A picture's name without its number and ".png", in local time.
constexpr const char* kStemFormat = "TessalyShot-%Y%m%d-%H%M%S";

}  // namespace

ALLEGRO_BITMAP* createFrameCopy(int width, int height) {
  ALLEGRO_LOCKED_REGION* region = nullptr;
  ALLEGRO_BITMAP* copy = createLockedPicture(width, height, &region);
  if (copy == nullptr) return nullptr;
  for (int y = 0; y < height; ++y)
    std::memset(static_cast<char*>(region->data) + y * region->pitch, 0, width * 4);
  al_unlock_bitmap(copy);
  return copy;
}

bool copyFramePixels(ALLEGRO_BITMAP* frame, ALLEGRO_BITMAP* copy) {
  const int width = al_get_bitmap_width(frame);
  const int height = al_get_bitmap_height(frame);
  ALLEGRO_LOCKED_REGION* from = al_lock_bitmap(frame, ALLEGRO_PIXEL_FORMAT_ABGR_8888, ALLEGRO_LOCK_READONLY);
  if (from == nullptr) return false;
  ALLEGRO_LOCKED_REGION* to = al_lock_bitmap(copy, ALLEGRO_PIXEL_FORMAT_ABGR_8888, ALLEGRO_LOCK_WRITEONLY);
  if (to != nullptr) {
    for (int y = 0; y < height; ++y)
      std::memcpy(static_cast<char*>(to->data) + y * to->pitch,
                  static_cast<const char*>(from->data) + y * from->pitch, static_cast<size_t>(width) * 4);
    al_unlock_bitmap(copy);
  }
  al_unlock_bitmap(frame);
  return to != nullptr;
}

namespace {

// Pictures written and failed, not yet taken by the main thread.
std::atomic<int> picturesSaved{0}, picturesFailed{0};

// Encoder thread: write `pictures` files of `copy`, taken at `when`, then
// keep the copy for the next shot.
void writeShot(ScreenshotWriter* writer, ALLEGRO_BITMAP* copy, std::time_t when, int pictures) {
  for (int picture = 0; picture < pictures; ++picture) {
    std::string name, error;
    std::string line = kFailedLine;
    if (writeNewPngFile(copy, writer->directory + "/" + formatLocalTime(when, kStemFormat, "TessalyShot"),
                        &name, &error))
      line = "Saved a picture: " + name.substr(writer->directory.size() + 1) + "\n";
    std::printf("%s", line.c_str());
    postNotice(line);
    ++(line == kFailedLine ? picturesFailed : picturesSaved);
  }

  std::lock_guard<std::mutex> lock(writer->mutex);
  if (writer->spare == nullptr)
    writer->spare = copy;
  else
    al_destroy_bitmap(copy);
}

}  // namespace

ScreenshotWriter* createScreenshotWriter(const std::string& directory, int width, int height) {
  auto* writer = new ScreenshotWriter;
  writer->directory = directory;
  writer->spare = createFrameCopy(width, height);  // made again at the first shot if this failed
  writer->worker = createWorker();
  if (writer->worker == nullptr) {
    if (writer->spare != nullptr) al_destroy_bitmap(writer->spare);
    delete writer;
    return nullptr;
  }
  return writer;
}

void destroyScreenshotWriter(ScreenshotWriter* writer) {
  if (writer == nullptr) return;
  destroyWorker(writer->worker);
  if (writer->spare != nullptr) al_destroy_bitmap(writer->spare);
  delete writer;
}

void takePictureResults(int* saved, int* failed) {
  *saved = picturesSaved.exchange(0);
  *failed = picturesFailed.exchange(0);
}

void takeScreenshot(ScreenshotWriter* writer, ALLEGRO_BITMAP* frame, int pictures) {
  const int width = al_get_bitmap_width(frame);
  const int height = al_get_bitmap_height(frame);
  ALLEGRO_BITMAP* copy = nullptr;
  if (writer != nullptr) {
    std::lock_guard<std::mutex> lock(writer->mutex);
    std::swap(copy, writer->spare);
  }
  if (copy != nullptr && (al_get_bitmap_width(copy) != width || al_get_bitmap_height(copy) != height)) {
    al_destroy_bitmap(copy);
    copy = nullptr;
  }
  // The spare is with the encoder while an earlier shot is written: a new copy then.
  if (copy == nullptr && writer != nullptr) copy = createFrameCopy(width, height);
  if (copy == nullptr || !copyFramePixels(frame, copy)) {
    if (copy != nullptr) al_destroy_bitmap(copy);
    for (int picture = 0; picture < pictures; ++picture) {
      std::printf("%s", kFailedLine);
      postNotice(kFailedLine);
    }
    picturesFailed += pictures;
    return;
  }
  const std::time_t when = std::time(nullptr);
  queueJob(writer->worker, [writer, copy, when, pictures] { writeShot(writer, copy, when, pictures); });
}
