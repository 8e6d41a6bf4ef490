// One thread that runs the jobs handed to it, in order.
#include "platform/Worker.h"

#include <new>
#include <system_error>
#include <utility>

namespace {

void workerMain(Worker* worker) {
  std::unique_lock lock(worker->mutex);
  for (;;) {
    worker->changed.wait(lock, [worker] { return worker->stopping || !worker->jobs.empty(); });
    if (worker->jobs.empty()) return;  // stopping, with nothing left to run
    std::function<void()> job = std::move(worker->jobs.front());
    worker->jobs.pop_front();
    worker->running = true;
    lock.unlock();
    job();
    job = nullptr;  // what it holds goes before the job counts as finished
    lock.lock();
    worker->running = false;
    worker->changed.notify_all();
  }
}

}  // namespace

Worker* createWorker() {
  auto* worker = new (std::nothrow) Worker;
  if (worker == nullptr) return nullptr;
  try {
    worker->thread = std::thread(workerMain, worker);
  } catch (const std::system_error&) {
    delete worker;
    return nullptr;
  }
  return worker;
}

void destroyWorker(Worker* worker) {
  if (worker == nullptr) return;
  {
    std::lock_guard lock(worker->mutex);
    worker->stopping = true;
    worker->changed.notify_all();
  }
  worker->thread.join();
  delete worker;
}

void queueJob(Worker* worker, std::function<void()> job) {
  std::lock_guard lock(worker->mutex);
  worker->jobs.push_back(std::move(job));
  worker->changed.notify_all();
}

void waitForWorker(Worker* worker) {
  std::unique_lock lock(worker->mutex);
  worker->changed.wait(lock, [worker] { return worker->jobs.empty() && !worker->running; });
}
