// What the main thread hands the render thread, and the waking protocol between them.
#pragma once

#include <allegro5/allegro.h>
#include <allegro5/allegro_font.h>

#include "player/Player.h"
#include "world/World.h"

// What shows over the game, one at a time: F1's card of the inputs, or
// the map of the whole world (M).
enum class Panel { kNone, kHelpCard, kWorldMap };

// What a frame draws over the world besides the record, worked out by the
// main thread: the outline of the cell a click under the pointer would
// change, and the panel. Never saved.
struct Overlay {
  bool outlined = false;  // a click would change the cell (col, row)
  int col = 0, row = 0;
  Panel panel = Panel::kNone;
  bool operator==(const Overlay&) const = default;
};

struct ScreenshotWriter;

// Filled before the render thread is let draw (startDrawing) and read-only
// afterwards, but for the overlay and the requests. The player record behind
// `player`, the overlay and the requests are written by the main thread under
// `mutex` and taken by the render thread under it; the grid's tiles are read
// atomically.
struct RenderContext {
  ALLEGRO_FONT* font;
  ALLEGRO_MUTEX* mutex;           // held only around the tick wait and record copies
  ALLEGRO_COND* tickCond;         // broadcast on every tick and once at shutdown
  ALLEGRO_BITMAP* buttonBitmap;   // 40 x 40 grey, behind Save and Load
  ALLEGRO_BITMAP* hudBarBitmap;   // screen-wide 10-pixel black bar
  ALLEGRO_DISPLAY* display;       // the game display; its backbuffer is the target
  BlockCatalogue catalogue;       // a copy made once the world is built
  World* world;                   // owned by main
  Player* player;                 // the live record
  ScreenshotWriter* screenshots;  // F12's writer thread, owned by the shell; may be null
  bool drawing;                   // the main thread gave up the display: the render thread may take it
  bool redrawRequested;           // the window's picture was spoilt: draw the next frame
  int screenshotsRequested;       // F12 presses since the last frame: one picture each
  Overlay overlay;                // stored with the record
};

// Render thread, first thing: wait until the main thread lets it draw. False,
// without waiting, once a stop has been requested.
bool waitForDrawing(ALLEGRO_THREAD* thread, RenderContext* context);

// Main thread, once the context is complete and it has given up the display
// (al_set_target_bitmap(nullptr)): let the render thread take the display.
void startDrawing(RenderContext* context);

// Render thread: wait for the next tick and copy the record for the frame,
// and the overlay when asked for; *redraw tells whether a redraw was
// requested since the last tick (the request is taken). Returns false,
// without waiting, once a stop has been
// requested; the stop is tested under the mutex, so a request can never slip
// in before the wait.
bool waitForTick(ALLEGRO_THREAD* thread, RenderContext* context, Player* frame, bool* redraw,
                 Overlay* overlay = nullptr);

// Main thread: ask the render thread to stop and wake it.
void requestRenderStop(ALLEGRO_THREAD* thread, RenderContext* context);

// Main thread: make `player` the live record, and the overlay worked out for
// it, under the same lock.
void storePlayer(RenderContext* context, const Player& player, const Overlay& overlay = {});

// Main thread: the window must be drawn again (it was uncovered, or came
// back in); the frame of the next tick is drawn even if nothing changed.
void requestRedraw(RenderContext* context);

// Main thread: keep a picture of the next frame (never waits for it).
void requestScreenshot(RenderContext* context);

// Render thread: how many pictures were asked for since the last call (the
// requests are taken).
int takeScreenshotRequests(RenderContext* context);

// The render thread's procedure: once let draw and until stopped, each tick
// draws and flips a frame when the picture changed, and does nothing
// otherwise. A frame with pictures asked for is always drawn, and copied for
// them before its flip.
void* renderThreadMain(ALLEGRO_THREAD* thread, void* arg);
