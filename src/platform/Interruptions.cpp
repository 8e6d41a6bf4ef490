// Termination signals and a lost X server, turned into events for the main thread.
#include "platform/Interruptions.h"

#include <X11/Xlib.h>
#include <pthread.h>
#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <system_error>
#include <thread>

namespace {

pthread_t mainThread;
ALLEGRO_EVENT_SOURCE source;
std::atomic<void (*)()> displayLostAction{nullptr};
std::atomic<bool> displayLossSeen{false};

sigset_t terminationSignals() {
  sigset_t set;
  sigemptyset(&set);
  sigaddset(&set, SIGINT);
  sigaddset(&set, SIGHUP);
  sigaddset(&set, SIGTERM);
  return set;
}

void emit(unsigned int type, intptr_t data) {
  ALLEGRO_EVENT event{};
  event.user.type = type;
  event.user.data1 = data;
  al_emit_user_event(&source, &event, nullptr);
}

// The signals stay blocked in every thread; this one takes them one by one.
void waitForSignals() {
  const sigset_t set = terminationSignals();
  for (;;) {
    int signal = 0;
    if (sigwait(&set, &signal) == 0) emit(kTerminationEventType, signal);
  }
}

// Xlib ends the process when this returns, from whichever thread met the
// loss (the library's X event thread, the render thread, or the main thread
// during the start screen), and several may meet it at once. So it never
// returns: the main thread does the whole shutdown itself; any other thread
// wakes the main thread once and then waits for the end.
int onIoError(Display*) {
  if (pthread_equal(pthread_self(), mainThread)) onDisplayLost();
  if (!displayLossSeen.exchange(true)) emit(kDisplayLostEventType, 0);
  for (;;) pause();
}

}  // namespace

void blockTerminationSignals() {
  mainThread = pthread_self();
  const sigset_t set = terminationSignals();
  pthread_sigmask(SIG_BLOCK, &set, nullptr);
}

bool watchForInterruptions(ALLEGRO_EVENT_QUEUE* queue) {
  al_init_user_event_source(&source);
  al_register_event_source(queue, &source);
  XSetIOErrorHandler(onIoError);
  try {
    std::thread(waitForSignals).detach();
  } catch (const std::system_error&) {
    return false;
  }
  return true;
}

void setDisplayLostAction(void (*action)()) { displayLostAction = action; }

void onDisplayLost() {
  if (void (*action)() = displayLostAction.load()) action();
  std::printf("Lost the connection to the display!\n");
  std::fflush(stdout);
  _exit(1);
}
