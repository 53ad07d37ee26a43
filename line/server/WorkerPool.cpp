#include "line/server/WorkerPool.h"

namespace line {

WorkerPool::WorkerPool(size_t threads, size_t queueLimit) : queueLimit_(queueLimit) {
  for (size_t i = 0; i < threads; ++i) {
    threads_.emplace_back([this] { Work(); });
  }
}

WorkerPool::~WorkerPool() {
  std::deque<std::function<void()>> dropped;
  {
    std::lock_guard guard(lock_);
    stopping_ = true;
    dropped.swap(tasks_);
  }
  ready_.notify_all();
  for (std::thread& thread : threads_) {
    thread.join();
  }
}

bool WorkerPool::TryPost(std::function<void()> task) {
  {
    std::lock_guard guard(lock_);
    if (stopping_ || tasks_.size() >= queueLimit_) {
      return false;
    }
    tasks_.push_back(std::move(task));
  }
  ready_.notify_one();
  return true;
}

void WorkerPool::Work() {
  for (;;) {
    std::function<void()> task;
    {
      std::unique_lock guard(lock_);
      ready_.wait(guard, [this] { return stopping_ || !tasks_.empty(); });
      if (stopping_) {
        return;
      }
      task = std::move(tasks_.front());
      tasks_.pop_front();
    }
    task();
  }
}

}  // namespace line
