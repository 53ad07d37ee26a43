#include "line/store/SessionPool.h"

namespace line {

SessionPool::SessionPool(Factory factory, size_t maxSessions)
    : factory_(std::move(factory)), maxSessions_(maxSessions) {}

SessionPool::Lease::Lease(SessionPool& pool, std::unique_ptr<SqlSession> session)
    : pool_(&pool), session_(std::move(session)) {}

SessionPool::Lease::~Lease() {
  if (pool_ != nullptr && session_ != nullptr) {
    pool_->Return(std::move(session_));
  }
}

SessionPool::Lease SessionPool::Acquire() {
  std::unique_lock lock(mutex_);
  returned_.wait(lock, [this] { return !idle_.empty() || leased_ < maxSessions_; });
  ++leased_;
  if (!idle_.empty()) {
    std::unique_ptr<SqlSession> session = std::move(idle_.back());
    idle_.pop_back();
    return Lease(*this, std::move(session));
  }
  lock.unlock();
  try {
    return Lease(*this, factory_());
  } catch (...) {
    lock.lock();
    --leased_;
    returned_.notify_one();
    throw;
  }
}

void SessionPool::Return(std::unique_ptr<SqlSession> session) {
  std::lock_guard lock(mutex_);
  --leased_;
  if (session->Healthy()) {
    idle_.push_back(std::move(session));
  }
  returned_.notify_one();
}

}  // namespace line
