// The main thread's loop during play.
#pragma once

#include "app/Dispatch.h"
#include "render/RenderContext.h"

// Wait on the queue and hand each event to its handler until the window is
// closed or a termination signal comes; a lost X server ends the process
// from here (onDisplayLost). Each tick wakes the render thread before its
// movement step; every handler's result becomes the live record. An expose or
// a switch back in asks the render thread for a redraw, F12 for a picture of
// the next frame, F2 turns the sounds off or on. Never polls, never waits for a frame.
void runEventLoop(ALLEGRO_EVENT_QUEUE* queue, ALLEGRO_EVENT* event, RenderContext* context, Player* player,
                  PlayState* state);
