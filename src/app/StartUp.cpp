// The shell: its objects, start-up and shutdown.
#include "app/StartUp.h"

#include <allegro5/allegro_ttf.h>

#include <cstdio>
#include <cstdlib>

#include "screens/StartMenu.h"

ALLEGRO_DISPLAY* display = nullptr;
ALLEGRO_EVENT_QUEUE* eventQueue = nullptr;
ALLEGRO_TIMER* tickTimer = nullptr;
ALLEGRO_FONT* font = nullptr;
ALLEGRO_EVENT event;
Player player;
ALLEGRO_BITMAP* buttonBitmap = nullptr;
ALLEGRO_BITMAP* hudBarBitmap = nullptr;
ALLEGRO_THREAD* renderThread = nullptr;
RenderContext renderContext;

// Print a start-up failure and end the process.
[[noreturn]] static void failStartUp(const char* line) {
  std::printf("%s", line);
  std::exit(1);
}

// A bitmap of one colour, or the end of start-up.
static ALLEGRO_BITMAP* createFilledBitmap(int width, int height, ALLEGRO_COLOR colour) {
  ALLEGRO_BITMAP* bitmap = al_create_bitmap(width, height);
  if (bitmap == nullptr) failStartUp("Failed to create bitmap!\n");
  al_set_target_bitmap(bitmap);
  al_clear_to_color(colour);
  return bitmap;
}

void startUp() {
  std::printf("Initializing System\n");
  al_set_app_name(kAppName);
  if (!al_init()) failStartUp("Failed to initialize allegro!\n");
  display = al_create_display(640, 240);
  if (display == nullptr) failStartUp("Failed to create display!\n");
  eventQueue = al_create_event_queue();
  if (eventQueue == nullptr) failStartUp("Failed to create event queue\n");
  if (!al_install_mouse()) failStartUp("Failed to initialize the mouse!\n");
  if (!al_install_keyboard()) failStartUp("Failed to initialize the keyboard!\n");
  tickTimer = al_create_timer(1.0 / 60.0);
  if (tickTimer == nullptr) failStartUp("Failed to initialize the timer!\n");

  std::printf("Loading Font\n");
  al_init_font_addon();
  al_init_ttf_addon();
  font = al_load_font(kSystemFontPath, 12, 0);
  if (font == nullptr) {
    std::printf("The Windows font was not found, using %s instead\n", kFallbackFontPath);
    font = al_load_font(kFallbackFontPath, 12, 0);
  }
  if (font == nullptr) {
    std::printf("Unable to find font, you cocked something up... Quitting\n");
    al_rest(1.0);
    std::exit(1);
  }

  std::printf("Initializing Event Sources\n");
  al_register_event_source(eventQueue, al_get_display_event_source(display));
  al_register_event_source(eventQueue, al_get_mouse_event_source());
  al_register_event_source(eventQueue, al_get_timer_event_source(tickTimer));
  al_register_event_source(eventQueue, al_get_keyboard_event_source());

  std::printf("Initializing Player\n");
  player = makeStartingPlayer();
  player.sprite = createFilledBitmap(10, 20, al_map_rgb(0, 125, 125));
  al_set_clipping_rectangle(0, 0, 10, 20);
  buttonBitmap = createFilledBitmap(40, 40, al_map_rgb(165, 165, 165));

  player = runStartMenu(player, font, display, eventQueue, event);
  // Bitmaps made while the start display was current (the sprite, the button
  // tile, the font's glyph pages) became memory bitmaps when it went. The
  // library turns them into textures of the game display as it is created;
  // this catches any it left behind, since memory bitmaps draw slowly and
  // do not batch with held drawing.
  al_convert_memory_bitmaps();

  hudBarBitmap = createFilledBitmap(player.screenWidth, 10, al_map_rgb(0, 0, 0));

  std::printf("Creating render thread...\n");
  renderThread = al_create_thread(renderThreadMain, &renderContext);
  if (renderThread == nullptr) failStartUp("Failed to create render thread!\n");
  renderContext.tickCond = al_create_cond();
  renderContext.player = &player;
  renderContext.mutex = al_create_mutex();
  if (renderContext.tickCond == nullptr || renderContext.mutex == nullptr)
    failStartUp("Failed to create the render thread's lock!\n");
  renderContext.display = display;
  renderContext.buttonBitmap = buttonBitmap;
  renderContext.font = font;
  renderContext.hudBarBitmap = hudBarBitmap;
}

void shutDown() {
  std::printf("Destroying all that we worked so hard to create :(\n");
  requestRenderStop(renderThread, &renderContext);
  al_destroy_thread(renderThread);
  al_destroy_event_queue(eventQueue);
  al_stop_timer(tickTimer);
  al_destroy_timer(tickTimer);
  al_destroy_display(display);
  std::printf("Quitting, Thanks for playing!\n");
}
