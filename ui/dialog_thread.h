// The dialog's thread: one queue of tasks run in arrival order. Page
// methods, commands and close requests all run here; other threads only
// hand tasks over.
#pragma once

#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>

namespace dravanta {

class DialogTaskQueue {
 public:
  using Task = std::function<void()>;

  // Queues a task. False (task dropped) once the queue has stopped.
  bool Post(Task task);

  // Runs tasks on the calling thread until Stop; `idle` runs after every
  // task and at least every `tick` while nothing arrives.
  void Run(std::chrono::milliseconds tick, const std::function<void()>& idle);

  // Ends Run after the current task; tasks still queued are dropped
  // (destroyed without running, which lets their waiters see it).
  void Stop();

  bool Stopped();

 private:
  std::mutex lock_;
  std::condition_variable wake_;
  std::deque<Task> tasks_;
  bool stopped_ = false;
};

}  // namespace dravanta
