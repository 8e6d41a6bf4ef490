// Ends of play that do not come through the window's close button: Ctrl+C in
// the console, a closed terminal or a logout (SIGINT, SIGHUP, SIGTERM), and
// the X server going away. Both reach the main thread as events on its queue.
#pragma once

#include <allegro5/allegro.h>

// A termination signal arrived: handled as a close of the window.
constexpr unsigned int kTerminationEventType = ALLEGRO_GET_EVENT_TYPE('T', 's', 'i', 'g');
// The X server went away: the main thread calls onDisplayLost().
constexpr unsigned int kDisplayLostEventType = ALLEGRO_GET_EVENT_TYPE('T', 'x', 'i', 'o');

// Block the termination signals in the calling thread, and so in every thread
// made after it: first thing in main, before any thread exists. The calling
// thread is taken as the main thread.
void blockTerminationSignals();

// After al_init: the source of the two events above, registered with
// `queue` (so that no signal is lost before the game's other sources are),
// the signal thread, which waits for the termination signals and turns each
// into an event, and the X I/O error handler. False if the thread cannot be
// made.
bool watchForInterruptions(ALLEGRO_EVENT_QUEUE* queue);

// Stop and join the signal thread, if it runs. Signals that come afterwards
// stay blocked and pending.
void stopWatchingForInterruptions();

// What the main thread does when the X server is gone, before the line and
// the exit: write the autosave if there are changes not yet saved. Set once
// play has started.
void setDisplayLostAction(void (*action)());

// Main thread, once it reads no more events (play has ended): from now on a
// thread that meets the loss of the X server ends the process itself, with
// the line and status 1, instead of waking the main thread. A loss another
// thread already reported is handled here, as onDisplayLost().
void stopReadingDisplayLoss();

// Main thread: print "Lost the connection to the display!" after the action
// and end the process with status 1, without touching the library again.
[[noreturn]] void onDisplayLost();
