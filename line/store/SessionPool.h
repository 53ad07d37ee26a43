// Connections shared by the service's threads: a thread leases one for a request and hands it
// back; a broken one is dropped and replaced by a new one on the next lease.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <functional>
#include <memory>
#include <mutex>
#include <vector>

#include "line/store/SqlSession.h"

namespace line {

class SessionPool {
 public:
  using Factory = std::function<std::unique_ptr<SqlSession>()>;

  SessionPool(Factory factory, size_t maxSessions);

  class Lease {
   public:
    Lease(SessionPool& pool, std::unique_ptr<SqlSession> session);
    Lease(Lease&& other) noexcept = default;
    Lease& operator=(Lease&&) = delete;
    ~Lease();
    SqlSession* operator->() const { return session_.get(); }
    SqlSession& operator*() const { return *session_; }

   private:
    SessionPool* pool_;
    std::unique_ptr<SqlSession> session_;
  };

  // Waits while every session is leased. Throws StoreUnavailable when a new one cannot connect.
  Lease Acquire();

 private:
  void Return(std::unique_ptr<SqlSession> session);

  Factory factory_;
  size_t maxSessions_;
  std::mutex mutex_;
  std::condition_variable returned_;
  std::vector<std::unique_ptr<SqlSession>> idle_;
  size_t leased_ = 0;
};

}  // namespace line
