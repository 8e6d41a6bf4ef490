// One thread of ours that runs the jobs handed to it one at a time, in the
// order they were handed over: the save writer and the screenshot writer
// each have one, so that play and drawing never wait for the disk.
#pragma once

#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>

struct Worker {
  std::mutex mutex;                        // guards everything below
  std::condition_variable changed;         // a job was queued or finished, or the stop was asked for
  std::deque<std::function<void()>> jobs;  // waiting, the next at the front
  bool running = false;                    // a job taken off the queue has not finished
  bool stopping = false;
  std::thread thread;
};

// Start the thread. Null if it cannot be made.
Worker* createWorker();

// Run every job queued, then stop and join the thread.
void destroyWorker(Worker* worker);

// Queue `job` to run on the worker's thread after those queued before it.
void queueJob(Worker* worker, std::function<void()> job);

// Wait until every job queued so far has finished.
void waitForWorker(Worker* worker);
