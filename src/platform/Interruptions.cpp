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
std::thread signalThread;
std::atomic<bool> signalThreadStopping{false};

// Who ends the process when the X server goes away: the main thread while it
// reads events (another thread wakes it once), or the thread that meets the
// loss once it reads no more.
enum class LossHandling { kMainReads, kPosted, kMainGone };
std::atomic<LossHandling> lossHandling{LossHandling::kMainReads};

// Once, from whichever thread comes first; any other waits for the end.
[[noreturn]] void printLostLineAndExit() {
  static std::atomic<bool> ending{false};
  if (ending.exchange(true))
    for (;;) pause();
  std::printf("Lost the connection to the display!\n");
  std::fflush(stdout);
  _exit(1);
}

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
// It is stopped by the flag and a SIGTERM sent to this thread alone.
void waitForSignals() {
  const sigset_t set = terminationSignals();
  for (;;) {
    int signal = 0;
    if (sigwait(&set, &signal) != 0) continue;
    if (signalThreadStopping) return;
    emit(kTerminationEventType, signal);
  }
}

// Xlib ends the process when this returns, from whichever thread met the
// loss (the library's X event thread, the render thread, or the main thread
// during the start screen), and several may meet it at once. So it never
// returns: the main thread does the whole shutdown itself; any other thread
// wakes the main thread once and then waits for the end, or, once the main
// thread reads no more events, ends the process itself.
int onIoError(Display*) {
  if (pthread_equal(pthread_self(), mainThread)) onDisplayLost();
  LossHandling reads = LossHandling::kMainReads;
  if (lossHandling.compare_exchange_strong(reads, LossHandling::kPosted))
    emit(kDisplayLostEventType, 0);
  else if (reads == LossHandling::kMainGone)
    printLostLineAndExit();
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
    signalThread = std::thread(waitForSignals);
  } catch (const std::system_error&) {
    return false;
  }
  return true;
}

void stopWatchingForInterruptions() {
  if (!signalThread.joinable()) return;
  signalThreadStopping = true;
  pthread_kill(signalThread.native_handle(), SIGTERM);
  signalThread.join();
}

void setDisplayLostAction(void (*action)()) { displayLostAction = action; }

void stopReadingDisplayLoss() {
  if (lossHandling.exchange(LossHandling::kMainGone) == LossHandling::kPosted) onDisplayLost();
}

void onDisplayLost() {
  if (void (*action)() = displayLostAction.load()) action();
  printLostLineAndExit();
}
