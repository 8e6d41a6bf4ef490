// The main thread's loop during play.
#include "app/EventLoop.h"

#include "app/Pointer.h"
#include "platform/Interruptions.h"
#include "world/Notices.h"

namespace {

// Whether a handler looks at events of this type.
bool isHandled(unsigned int type) {
  switch (type) {
    case ALLEGRO_EVENT_MOUSE_BUTTON_DOWN:
    case ALLEGRO_EVENT_MOUSE_AXES:
    case ALLEGRO_EVENT_MOUSE_ENTER_DISPLAY:
    case ALLEGRO_EVENT_MOUSE_LEAVE_DISPLAY:
    case ALLEGRO_EVENT_KEY_DOWN:
    case ALLEGRO_EVENT_KEY_UP:
    case ALLEGRO_EVENT_TIMER:
    case ALLEGRO_EVENT_DISPLAY_SWITCH_OUT: return true;
    default: return false;
  }
}

}  // namespace

void runEventLoop(ALLEGRO_EVENT_QUEUE* queue, ALLEGRO_EVENT* event, RenderContext* context, Player* player,
                  PlayState* state) {
  PointerState pointer;
  for (;;) {
    al_wait_for_event(queue, event);
    // A termination signal ends play as a close of the window does.
    if (event->type == ALLEGRO_EVENT_DISPLAY_CLOSE || event->type == kTerminationEventType) return;
    if (event->type == kDisplayLostEventType) onDisplayLost();
    if (event->type == ALLEGRO_EVENT_KEY_DOWN && event->keyboard.keycode == ALLEGRO_KEY_F12)
      requestScreenshot(context);
    if (event->type == ALLEGRO_EVENT_KEY_DOWN && event->keyboard.keycode == ALLEGRO_KEY_F2 &&
        state->sounds != nullptr)
      postNotice(toggleMute(state->sounds));  // on screen only, never on the console
    if (event->type == ALLEGRO_EVENT_DISPLAY_EXPOSE || event->type == ALLEGRO_EVENT_DISPLAY_SWITCH_IN) {
      // The window was uncovered or came back: what it shows may be gone.
      requestRedraw(context);
      continue;
    }
    if (!isHandled(event->type)) continue;
    if (event->type == ALLEGRO_EVENT_TIMER) al_broadcast_cond(context->tickCond);
    followEvent(&pointer, *event);
    state->worldCovered = mapCoversWorld(pointer);
    const Player next = dispatchEvent(*event, *player, state);
    // Every handled event may move the outline: the pointer, the player, a cell or the slot.
    storePlayer(context, next, overlayFor(pointer, *state->world, next));
  }
}
