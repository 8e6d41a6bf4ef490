// F12's pictures of the frame on screen: the render thread copies a drawn
// frame off the display, and a thread of their own encodes and writes them,
// so that neither play nor drawing waits for the encoder.
#pragma once

#include <string>

struct ALLEGRO_BITMAP;
struct ScreenshotWriter;

// Start the writer for pictures in `directory`, with one copy of a
// width x height frame made ready (its pages touched) so that the first
// shot allocates nothing. Null if the thread cannot be made.
ScreenshotWriter* createScreenshotWriter(const std::string& directory, int width, int height);

// Write every picture already taken, then stop and join the thread.
void destroyScreenshotWriter(ScreenshotWriter* writer);

// Render thread, after a frame was drawn completely on `frame` (the back
// buffer) and before the flip: copy its pixels and hand them to the writer,
// which writes `pictures` files of them (one for each press of F12 this frame
// answers) and prints "Saved a picture: NAME" or "Failed to save a picture!"
// for each. Only the copy happens here.
void takeScreenshot(ScreenshotWriter* writer, ALLEGRO_BITMAP* frame, int pictures);

// Main thread: how many pictures were written and how many failed since the
// last call.
void takePictureResults(int* saved, int* failed);

// A memory bitmap for a width x height frame, every page touched once; null
// if it cannot be made.
ALLEGRO_BITMAP* createFrameCopy(int width, int height);

// Copy every pixel of `frame` into `copy`, which has its size; false if
// either cannot be locked.
bool copyFramePixels(ALLEGRO_BITMAP* frame, ALLEGRO_BITMAP* copy);
