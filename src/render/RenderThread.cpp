// The render thread: at most one frame per tick, drawn while the main thread
// plays, and only when the picture changed.
#include "render/Frame.h"
#include "render/RenderContext.h"
#include "render/Screenshot.h"

bool waitForDrawing(ALLEGRO_THREAD* thread, RenderContext* context) {
  al_lock_mutex(context->mutex);
  bool stop = al_get_thread_should_stop(thread);
  while (!stop && !context->drawing) {
    al_wait_cond(context->tickCond, context->mutex);
    stop = al_get_thread_should_stop(thread);
  }
  al_unlock_mutex(context->mutex);
  return !stop;
}

void startDrawing(RenderContext* context) {
  al_lock_mutex(context->mutex);
  context->drawing = true;
  al_broadcast_cond(context->tickCond);
  al_unlock_mutex(context->mutex);
}

bool waitForTick(ALLEGRO_THREAD* thread, RenderContext* context, Player* frame, bool* redraw,
                 Overlay* overlay) {
  al_lock_mutex(context->mutex);
  const bool stop = al_get_thread_should_stop(thread);
  if (!stop) {
    al_wait_cond(context->tickCond, context->mutex);
    *frame = *context->player;
    if (overlay != nullptr) *overlay = context->overlay;
    *redraw = context->redrawRequested;
    context->redrawRequested = false;
  }
  al_unlock_mutex(context->mutex);
  return !stop;
}

void requestRenderStop(ALLEGRO_THREAD* thread, RenderContext* context) {
  al_lock_mutex(context->mutex);
  al_set_thread_should_stop(thread);
  al_broadcast_cond(context->tickCond);
  al_unlock_mutex(context->mutex);
}

void storePlayer(RenderContext* context, const Player& player, const Overlay& overlay) {
  al_lock_mutex(context->mutex);
  *context->player = player;
  context->overlay = overlay;
  al_unlock_mutex(context->mutex);
}

void requestRedraw(RenderContext* context) {
  al_lock_mutex(context->mutex);
  context->redrawRequested = true;
  al_unlock_mutex(context->mutex);
}

void requestScreenshot(RenderContext* context) {
  al_lock_mutex(context->mutex);
  ++context->screenshotsRequested;
  al_unlock_mutex(context->mutex);
}

int takeScreenshotRequests(RenderContext* context) {
  al_lock_mutex(context->mutex);
  const int requested = context->screenshotsRequested;
  context->screenshotsRequested = 0;
  al_unlock_mutex(context->mutex);
  return requested;
}

void* renderThreadMain(ALLEGRO_THREAD* thread, void* arg) {
  auto* context = static_cast<RenderContext*>(arg);
  if (!waitForDrawing(thread, context)) return nullptr;
  // The main thread has given up the display; its drawing context is ours now.
  al_set_target_bitmap(al_get_backbuffer(context->display));
  CellMap map;
  const bool haveMap = createCellMap(&map, context->catalogue);
  ShownFrame shown;
  Player frame;
  Overlay overlay;
  bool redraw = false;
  ALLEGRO_BITMAP* backbuffer = al_get_backbuffer(context->display);
  while (waitForTick(thread, context, &frame, &redraw, &overlay)) {
    // A tick that finds the picture unchanged neither draws nor flips: the
    // back buffer keeps its frame and the window already shows it. A picture
    // is taken of a frame drawn whole in this tick, before the flip.
    const int pictures = takeScreenshotRequests(context);
    const NoticeList notices = noticesAt(noticeClock());
    if (drawFrameIfChanged(&shown, frame, *context, haveMap ? &map : nullptr, redraw || pictures > 0,
                           al_get_time(), overlay, notices)) {
      if (pictures > 0) takeScreenshot(context->screenshots, backbuffer, pictures);
      al_flip_display();
    }
  }
  destroyCellMap(&map);
  // Hand the drawing context back so the main thread can destroy the display.
  al_set_target_bitmap(nullptr);
  return nullptr;
}
