#include "ui/dialog_thread.h"

namespace dravanta {

bool DialogTaskQueue::Post(Task task) {
  {
    std::lock_guard<std::mutex> hold(lock_);
    if (stopped_) return false;
    tasks_.push_back(std::move(task));
  }
  wake_.notify_one();
  return true;
}

void DialogTaskQueue::Run(std::chrono::milliseconds tick, const std::function<void()>& idle) {
  for (;;) {
    Task task;
    {
      std::unique_lock<std::mutex> hold(lock_);
      wake_.wait_for(hold, tick, [this] { return stopped_ || !tasks_.empty(); });
      if (stopped_) break;
      if (!tasks_.empty()) {
        task = std::move(tasks_.front());
        tasks_.pop_front();
      }
    }
    if (task) task();
    if (idle) idle();
  }
  std::deque<Task> dropped;
  {
    std::lock_guard<std::mutex> hold(lock_);
    dropped.swap(tasks_);
  }
}

void DialogTaskQueue::Stop() {
  {
    std::lock_guard<std::mutex> hold(lock_);
    stopped_ = true;
  }
  wake_.notify_all();
}

bool DialogTaskQueue::Stopped() {
  std::lock_guard<std::mutex> hold(lock_);
  return stopped_;
}

}  // namespace dravanta
