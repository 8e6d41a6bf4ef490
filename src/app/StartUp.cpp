// The shell: its objects, start-up and shutdown, and every thread of ours:
// startUp makes and starts each, endThreads ends and joins each.
//
// | Thread     | Made | Owns                         | Hands off                                 | Ended |
// |------------|------|------------------------------|-------------------------------------------|-------|
// | main       | -    | game logic, world, record    | the record to render, saves to the writer | -     |
// | save       | 1st  | the save buffer in a write   | each write's line; main waits for it      | 2nd   |
// | signal     | 2nd  | nothing                      | a termination event on main's queue       | 3rd   |
// | screenshot | 3rd  | the frame copies it encodes  | each picture's line                       | 4th   |
// | render     | 4th  | the display once let draw    | frame copies to the screenshot writer     | 1st   |
//
// Each is made once what it needs exists: the save writer before the library
// (its failure line comes first), the signal thread once the event queue is
// there, the screenshot writer once the game display's size is known; the
// render thread draws once main has given up the display (startDrawing), and
// gives it back when it ends. Each is ended once nothing hands it work any
// more: render first, the screenshot writer, which takes render's copies,
// last. A start-up failure ends the threads that exist before the process
// ends, never with one of them running.
#include "app/StartUp.h"

#include <allegro5/allegro_image.h>
#include <allegro5/allegro_ttf.h>

#include <cstdio>
#include <cstdlib>

#include "app/StartScreen.h"
#include "platform/Interruptions.h"
#include "render/Tiles.h"
#include "screens/HudLayout.h"
#include "screens/Icon.h"

void failStartUp(Shell* shell, const char* line) {
  std::printf("%s", line);
  if (shell != nullptr) endThreads(shell);
  std::exit(1);
}

namespace {

// A bitmap of one colour, left as the target; null if it cannot be made.
ALLEGRO_BITMAP* createFilledBitmap(int width, int height, ALLEGRO_COLOR colour) {
  ALLEGRO_BITMAP* bitmap = al_create_bitmap(width, height);
  if (bitmap == nullptr) return nullptr;
  al_set_target_bitmap(bitmap);
  al_clear_to_color(colour);
  return bitmap;
}

}  // namespace

// The player's sprite and the buttons' tile. Null, or the failure's line.
const char* createPlayerBitmaps(Shell* shell) {
  shell->player.sprite = createFilledBitmap(kPlayerWidth, kPlayerHeight,
                                            al_map_rgb(kPlayerColour.r, kPlayerColour.g, kPlayerColour.b));
  if (shell->player.sprite == nullptr) return "Failed to create bitmap!\n";
  al_set_clipping_rectangle(0, 0, 10, 20);
  const int size = kHudLayout.buttonSize;
  shell->buttonBitmap = createFilledBitmap(size, size, al_map_rgb(165, 165, 165));
  if (shell->buttonBitmap == nullptr) return "Failed to create bitmap!\n";
  return nullptr;
}

// The HUD's bar, as wide as the game display chosen. Null, or the failure's line.
const char* createHudBar(Shell* shell) {
  shell->hudBarBitmap =
      createFilledBitmap(shell->player.screenWidth, kHudLayout.barHeight, al_map_rgb(0, 0, 0));
  return shell->hudBarBitmap == nullptr ? "Failed to create bitmap!\n" : nullptr;
}

// Everything of the render thread's context but the catalogue and the world.
// Null, or the failure's line.
const char* createRenderContext(Shell* shell) {
  RenderContext& context = shell->renderContext;
  context.tickCond = al_create_cond();
  context.player = &shell->player;
  context.mutex = al_create_mutex();
  if (context.tickCond == nullptr || context.mutex == nullptr)
    return "Failed to create the render thread's lock!\n";
  context.display = shell->display;
  context.buttonBitmap = shell->buttonBitmap;
  context.font = shell->font;
  context.hudBarBitmap = shell->hudBarBitmap;
  context.screenshots = shell->screenshots;
  return nullptr;
}

namespace {

// The game's icon on a window, at each size for the window manager to choose
// from. The window manager keeps its own copy; a window without it works too.
void showGameIcon(ALLEGRO_DISPLAY* display) {
  ALLEGRO_BITMAP* icons[kWindowIconCount] = {};
  bool made = true;
  for (int i = 0; i < kWindowIconCount; ++i) {
    icons[i] = makeIconBitmap(kIconSizes[i]);
    made = made && icons[i] != nullptr;
  }
  if (made) al_set_display_icons(display, kWindowIconCount, icons);
  for (ALLEGRO_BITMAP* icon : icons)
    if (icon != nullptr) al_destroy_bitmap(icon);
}

}  // namespace

std::unique_ptr<Shell> startUp(const char* fontPath) {
  auto shell = std::make_unique<Shell>();
  Shell* const made = shell.get();
  // Each start-up step that can fail: its line, the threads ended, the end of the process.
  const auto check = [made](const char* failure) {
    if (failure != nullptr) failStartUp(made, failure);
  };
  shell->saves = createSaveWriter(".");
  if (shell->saves == nullptr) check("Failed to start the save writer!\n");
  std::printf("Initializing System\n");
  al_set_app_name(kAppName);
  if (!al_init()) check("Failed to initialize allegro!\n");
  shell->display = al_create_display(640, 240);
  if (shell->display == nullptr) check("Failed to create display!\n");
  showGameIcon(shell->display);
  shell->eventQueue = al_create_event_queue();
  if (shell->eventQueue == nullptr) check("Failed to create event queue\n");
  if (!watchForInterruptions(shell->eventQueue)) check("Failed to create the signal thread!\n");
  if (!al_install_mouse()) check("Failed to initialize the mouse!\n");
  // The X11 keyboard driver would end the game at once on Ctrl+Alt+End or
  // Ctrl+Alt+Delete, with nothing saved.
  al_set_config_value(al_get_system_config(), "keyboard", "enable_three_finger_exit", "false");
  if (!al_install_keyboard()) check("Failed to initialize the keyboard!\n");
  shell->tickTimer = al_create_timer(1.0 / 60.0);
  if (shell->tickTimer == nullptr) check("Failed to initialize the timer!\n");

  std::printf("Loading Font\n");
  al_init_font_addon();
  al_init_ttf_addon();
  // F12's pictures; should it fail, each picture fails with its line.
  al_init_image_addon();
  shell->font = al_load_font(kSystemFontPath, 12, 0);
  if (shell->font == nullptr) {
    std::printf("The Windows font was not found, using %s instead\n", fontPath);
    shell->font = al_load_font(fontPath, 12, 0);
  }
  if (shell->font == nullptr) {
    std::printf("Unable to find font, you cocked something up... Quitting\n");
    al_rest(1.0);
    failStartUp(made, "");
  }

  std::printf("Initializing Event Sources\n");
  al_register_event_source(shell->eventQueue, al_get_display_event_source(shell->display));
  al_register_event_source(shell->eventQueue, al_get_mouse_event_source());
  al_register_event_source(shell->eventQueue, al_get_timer_event_source(shell->tickTimer));
  al_register_event_source(shell->eventQueue, al_get_keyboard_event_source());

  std::printf("Initializing Player\n");
  shell->player = makeStartingPlayer();
  check(createPlayerBitmaps(made));
  check(runStartMenu(&shell->player, shell->font, shell->display, shell->eventQueue, shell->event));

  showGameIcon(shell->display);
  // After the start screen, so that it shows as soon as before.
  shell->audio = startAudio();
  check(createHudBar(made));
  std::printf("Creating render thread...\n");
  shell->screenshots = createScreenshotWriter(".", al_get_display_width(shell->display),
                                              al_get_display_height(shell->display));
  check(createRenderContext(made));
  shell->renderThread = al_create_thread(renderThreadMain, &shell->renderContext);
  if (shell->renderThread == nullptr) check("Failed to create render thread!\n");
  al_start_thread(shell->renderThread);
  return shell;
}

void stopRenderThread(Shell* shell) {
  if (shell->renderThread == nullptr) return;
  requestRenderStop(shell->renderThread, &shell->renderContext);
  al_destroy_thread(shell->renderThread);
  shell->renderThread = nullptr;
}

void endThreads(Shell* shell) {
  stopRenderThread(shell);
  destroySaveWriter(shell->saves);
  shell->saves = nullptr;
  stopWatchingForInterruptions();
  destroyScreenshotWriter(shell->screenshots);
  shell->screenshots = shell->renderContext.screenshots = nullptr;
}

void releaseShell(Shell* shell) {
  endThreads(shell);
  // The render thread gave the display back: its bitmaps go while it is current here.
  if (shell->display != nullptr) al_set_target_backbuffer(shell->display);
  destroyBlockCatalogue(shell->catalogue);
  stopAudio(shell->audio);
  for (ALLEGRO_BITMAP* bitmap : {shell->player.sprite, shell->buttonBitmap, shell->hudBarBitmap})
    if (bitmap != nullptr) al_destroy_bitmap(bitmap);
  if (shell->font != nullptr) al_destroy_font(shell->font);
  if (shell->renderContext.mutex != nullptr) al_destroy_mutex(shell->renderContext.mutex);
  if (shell->renderContext.tickCond != nullptr) al_destroy_cond(shell->renderContext.tickCond);
  if (shell->eventQueue != nullptr) al_destroy_event_queue(shell->eventQueue);
  if (shell->tickTimer != nullptr) {
    al_stop_timer(shell->tickTimer);
    al_destroy_timer(shell->tickTimer);
  }
  if (shell->display != nullptr) al_destroy_display(shell->display);
  *shell = Shell{};
}

void shutDown(Shell* shell) {
  std::printf("Destroying all that we worked so hard to create :(\n");
  releaseShell(shell);
  std::printf("Quitting, Thanks for playing!\n");
}
