// The shell: its objects, start-up and shutdown.
#pragma once

#include <allegro5/allegro.h>
#include <allegro5/allegro_font.h>

#include <memory>

#include "platform/Audio.h"
#include "player/Player.h"
#include "render/RenderContext.h"
#include "render/Screenshot.h"
#include "save/SaveWriter.h"
#include "world/World.h"

// Everything the shell makes, alive for the whole run, all set on the main
// thread. Whatever is not made (yet) stays null; releaseShell destroys the rest.
// The render context points into the record, so it never moves once made.
struct Shell {
  ALLEGRO_DISPLAY* display = nullptr;         // start display, then the game display
  ALLEGRO_EVENT_QUEUE* eventQueue = nullptr;  // display, mouse, timer and keyboard events
  ALLEGRO_TIMER* tickTimer = nullptr;         // 1/60 s
  ALLEGRO_FONT* font = nullptr;               // the one 12-pixel font
  ALLEGRO_EVENT event{};                      // filled by each wait of the main loop
  Player player;                              // the live record; owns the sprite
  ALLEGRO_BITMAP* buttonBitmap = nullptr;     // 40 x 40 grey
  ALLEGRO_BITMAP* hudBarBitmap = nullptr;     // screen-wide black bar
  BlockCatalogue catalogue{};                 // its tiles, once built on the game display
  SaveWriter* saves = nullptr;                // the save writer thread
  ScreenshotWriter* screenshots = nullptr;    // F12's writer thread; pictures fail without it
  ALLEGRO_THREAD* renderThread = nullptr;     // started at once, draws once main lets it
  Audio* audio = nullptr;                     // null: the game plays silently
  RenderContext renderContext{};
};

constexpr const char* kAppName = "Tessaly " TESSALY_VERSION " - Wobbert";
constexpr const char* kSystemFontPath = "C:\\Windows\\Fonts\\tahoma.ttf";
constexpr const char* kFallbackFontPath = "./data/arial.ttf";

// Bring up the save writer, the library, the start display, the signal
// thread, input, the timer and the font (the Windows font, else the one at
// `fontPath`), make the player, run the start screen, start the audio if
// there is a sound device, and start the screenshot writer and the render
// thread (which waits for startDrawing).
// Every failure goes through failStartUp.
std::unique_ptr<Shell> startUp(const char* fontPath);

// Print a start-up failure's line, end the threads `shell` has (it may be
// null) and end the process with status 1.
[[noreturn]] void failStartUp(Shell* shell, const char* line);

// Steps of startUp, each null or the failure's line: the player's sprite
// and the buttons' tile; the HUD's bar, as wide as the game display chosen;
// everything of the render thread's context but the catalogue and the world.
const char* createPlayerBitmaps(Shell* shell);
const char* createHudBar(Shell* shell);
const char* createRenderContext(Shell* shell);

// Stop and join the render thread if there is one. It must have been started:
// the library's join of a thread never started frees the thread's lock while
// the thread may still hold it.
void stopRenderThread(Shell* shell);

// End and join every thread of ours there is, in this order: render, save
// writer, signal, screenshot writer. Writes in flight are finished first.
void endThreads(Shell* shell);

// End the threads and destroy every object the shell holds, each once, the
// display last; the record is left empty.
void releaseShell(Shell* shell);

// The game's shutdown: its console lines around releaseShell.
void shutDown(Shell* shell);
