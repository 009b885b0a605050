#include "net/multi_pool.h"

namespace quillmar {

MultiPool& MultiPool::Instance() {
  static MultiPool pool;
  return pool;
}

MultiPool::Lease::~Lease() {
  if (multi_) MultiPool::Instance().Return(std::move(multi_));
}

MultiPool::Lease MultiPool::Acquire() {
  {
    std::lock_guard lock(mutex_);
    if (!idle_.empty()) {
      CurlMulti multi = std::move(idle_.back());
      idle_.pop_back();
      return Lease(std::move(multi));
    }
  }
  InitCurlOnce();
  CurlMulti multi(curl_multi_init());
  if (!multi) return Lease();
  curl_multi_setopt(multi.get(), CURLMOPT_MAX_HOST_CONNECTIONS, kMaxHostConnections);
  curl_multi_setopt(multi.get(), CURLMOPT_MAXCONNECTS, 4 * kMaxHostConnections);
  curl_multi_setopt(multi.get(), CURLMOPT_PIPELINING, static_cast<long>(CURLPIPE_MULTIPLEX));
  return Lease(std::move(multi));
}

void MultiPool::Return(CurlMulti multi) {
  std::lock_guard lock(mutex_);
  if (idle_.size() < kMaxIdleEngines) idle_.push_back(std::move(multi));
  // else it goes here, with its connections
}

void MultiPool::DropIdle() {
  std::vector<CurlMulti> dropped;
  std::lock_guard lock(mutex_);
  dropped.swap(idle_);
}

}  // namespace quillmar
