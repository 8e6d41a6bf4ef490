// Pictures as PNG files, through the library's image addon: the save tool's
// world map and the game's screenshots. Needs no display.
#pragma once

#include <string>

struct ALLEGRO_BITMAP;
struct ALLEGRO_LOCKED_REGION;

// Start the library and its image addon (no display, no input); false if
// either cannot start. Safe to call more than once.
bool startPictureLibrary();

// A width x height memory bitmap with bytes r, g, b, a in memory (the layout
// PNG rows and locks use, so a lock copies nothing), locked for writing into
// *region. Null if it cannot be made or locked; the new-bitmap settings are
// left as they were.
ALLEGRO_BITMAP* createLockedPicture(int width, int height, ALLEGRO_LOCKED_REGION** region);

// Write `picture` as a PNG file at `path` without ever leaving a partial file
// there: it is encoded into a new file beside it and then renamed over
// `path`. Pictures are not synced: a crash may lose a new one, never a file
// that was there. On failure `error` says why and nothing else changed.
bool writePngFile(ALLEGRO_BITMAP* picture, const std::string& path, std::string* error);

// The same as a new file: `stem`.png, or else `stem`-2.png, -3 ... up to
// kLastPictureNumber, never replacing a file. The name it took goes to *name.
constexpr int kLastPictureNumber = 999;
bool writeNewPngFile(ALLEGRO_BITMAP* picture, const std::string& stem, std::string* name, std::string* error);
