// What the main thread hands the render thread, and the waking protocol between them.
#pragma once

#include <allegro5/allegro.h>
#include <allegro5/allegro_font.h>

#include "player/Player.h"
#include "world/World.h"

// Filled before the render thread starts and read-only afterwards. The player
// record behind `player` is written by the main thread under `mutex` and
// copied by the render thread under it; the grid's tiles are read atomically.
struct RenderContext {
  ALLEGRO_FONT* font;
  ALLEGRO_MUTEX* mutex;          // held only around the tick wait and record copies
  ALLEGRO_COND* tickCond;        // broadcast on every tick and once at shutdown
  ALLEGRO_BITMAP* buttonBitmap;  // 40 x 40 grey, behind Save and Load
  ALLEGRO_BITMAP* hudBarBitmap;  // screen-wide 10-pixel black bar
  ALLEGRO_DISPLAY* display;      // the game display; its backbuffer is the target
  BlockCatalogue catalogue;      // a copy made once the world is built
  World* world;                  // owned by main
  Player* player;                // the live record
};

// Render thread: wait for the next tick and copy the record for the frame.
// Returns false, without waiting, once a stop has been requested; the stop is
// tested under the mutex, so a request can never slip in before the wait.
bool waitForTick(ALLEGRO_THREAD* thread, RenderContext* context, Player* frame);

// Main thread: ask the render thread to stop and wake it.
void requestRenderStop(ALLEGRO_THREAD* thread, RenderContext* context);

// Main thread: make `player` the live record.
void storePlayer(RenderContext* context, const Player& player);

// The render thread's procedure: one frame per tick until stopped.
void* renderThreadMain(ALLEGRO_THREAD* thread, void* arg);
