// Threads that do the service's store work, apart from the threads that move bytes: a request
// waits in a bounded queue for one of them, and a full queue refuses the request at once, so
// neither a slow store nor a crowd of clients can hold the network side or grow memory.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

namespace line {

class WorkerPool {
 public:
  WorkerPool(size_t threads, size_t queueLimit);
  ~WorkerPool();  // drops the tasks still waiting, lets the running ones end
  WorkerPool(const WorkerPool&) = delete;
  WorkerPool& operator=(const WorkerPool&) = delete;

  // False when `queueLimit` tasks already wait.
  bool TryPost(std::function<void()> task);

 private:
  void Work();

  size_t queueLimit_;
  std::mutex lock_;
  std::condition_variable ready_;
  std::deque<std::function<void()>> tasks_;
  bool stopping_ = false;
  std::vector<std::thread> threads_;
};

}  // namespace line
