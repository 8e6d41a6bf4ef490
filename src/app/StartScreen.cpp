// The start screen's own event loop: display size and a new or saved world.
#include "app/StartScreen.h"

#include <cstdio>

#include "platform/Interruptions.h"
#include "screens/StartMenu.h"
#include "screens/StartMenuLogic.h"

ALLEGRO_DISPLAY* replaceStartDisplay(ALLEGRO_DISPLAY* start, int width, int height, bool frameless) {
  al_destroy_display(start);
  // Expose events say when the window was uncovered and must be drawn again.
  int flags = al_get_new_display_flags() | ALLEGRO_GENERATE_EXPOSE_EVENTS;
  if (frameless) flags |= ALLEGRO_NOFRAME;
  al_set_new_display_flags(flags);
  ALLEGRO_DISPLAY* display = al_create_display(width, height);
  // Bitmaps made while the start display was current (the sprite, the button
  // tile, the font's glyph pages) became memory bitmaps when it went. The
  // library turns them into textures of the game display as it is created;
  // this catches any it left behind, since memory bitmaps draw slowly and
  // do not batch with held drawing.
  if (display != nullptr) al_convert_memory_bitmaps();
  return display;
}

const char* runStartMenu(Player* player, ALLEGRO_FONT* font, ALLEGRO_DISPLAY*& display,
                         ALLEGRO_EVENT_QUEUE* eventQueue, ALLEGRO_EVENT event) {
  ALLEGRO_BITMAP* menuButtonBitmap = al_create_bitmap(kStartButtonWidth, kStartButtonHeight);
  if (menuButtonBitmap == nullptr) return "Failed to create bitmap!\n";
  StartChoice choice{player->screenWidth, player->screenHeight, false, false, false};
  ALLEGRO_MONITOR_INFO monitor{};
  const bool monitorKnown = al_get_monitor_info(0, &monitor);

  al_set_target_bitmap(menuButtonBitmap);
  al_clear_to_color(al_map_rgb(165, 165, 165));
  al_set_target_bitmap(al_get_backbuffer(display));
  drawStartMenu(menuButtonBitmap, font, pickedSizeButton(choice));

  while (!choice.finished) {
    al_wait_for_event(eventQueue, &event);
    // A termination signal counts as a close of the window.
    if (event.type == ALLEGRO_EVENT_DISPLAY_CLOSE || event.type == kTerminationEventType) {
      al_destroy_bitmap(menuButtonBitmap);
      return "Quitting.\n";
    }
    if (event.type == kDisplayLostEventType) onDisplayLost();
    if (event.type == ALLEGRO_EVENT_MOUSE_BUTTON_DOWN) {
      choice = applyStartButton(choice, hitStartButton(event.mouse.x, event.mouse.y));
      if (choice.finished) break;
    }
    if (al_is_event_queue_empty(eventQueue)) drawStartMenu(menuButtonBitmap, font, pickedSizeButton(choice));
  }

  al_destroy_bitmap(menuButtonBitmap);
  int width, height;
  const bool frameless = chosenDisplaySize(choice, monitorKnown, monitor.x1, monitor.y1, monitor.x2,
                                           monitor.y2, &width, &height);
  if (choice.frameless && !frameless)
    std::printf("The monitor's size is not known, keeping a %dx%d window\n", width, height);
  player->screenWidth = width;
  player->screenHeight = height;
  player->loadRequested = choice.loadRequested ? 1 : 0;
  display = replaceStartDisplay(display, width, height, frameless);
  if (display == nullptr) return "Failed to create display!\n";
  al_register_event_source(eventQueue, al_get_display_event_source(display));
  return nullptr;
}
