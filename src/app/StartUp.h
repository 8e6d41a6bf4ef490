// The shell: its objects, start-up and shutdown.
#pragma once

#include <allegro5/allegro.h>
#include <allegro5/allegro_font.h>

#include "app/RenderContext.h"
#include "player/Player.h"

// The shell's objects, alive for the whole run, all set on the main thread.
extern ALLEGRO_DISPLAY* display;         // start display, then the game display
extern ALLEGRO_EVENT_QUEUE* eventQueue;  // display, mouse, timer and keyboard events
extern ALLEGRO_TIMER* tickTimer;         // 1/60 s
extern ALLEGRO_FONT* font;               // the one 12-pixel font
extern ALLEGRO_EVENT event;              // filled by each wait of the main loop
extern Player player;                    // the live player record
extern ALLEGRO_BITMAP* buttonBitmap;     // 40 x 40 grey
extern ALLEGRO_BITMAP* hudBarBitmap;     // screen-wide black bar
extern ALLEGRO_THREAD* renderThread;     // created here, started by main
extern RenderContext renderContext;

constexpr const char* kAppName = "Tessaly 0.69 - Wobbert";
constexpr const char* kSystemFontPath = "C:\\Windows\\Fonts\\tahoma.ttf";
constexpr const char* kFallbackFontPath = "./data/arial.ttf";

// Bring up the library, the start display, input, the timer and the font, make
// the player, run the start screen, and prepare the render thread (not
// started). Every failure prints its line and exits with status 1.
void startUp();

// Stop and join the render thread, then take the library objects down.
void shutDown();
