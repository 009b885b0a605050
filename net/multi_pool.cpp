#include "net/multi_pool.h"

namespace quillmar {

MultiPool& MultiPool::Instance() {
  static MultiPool pool;
  return pool;
}

MultiPool::Lease::~Lease() {
  if (multi_) MultiPool::Instance().Return(*this);
}

bool MultiPool::Lease::UsedRecently(const std::string& site) {
  const auto now = std::chrono::steady_clock::now();
  auto [it, added] = lastUse_.emplace(site, now);
  const bool recent = !added && now - it->second < std::chrono::minutes(1);
  it->second = now;
  return recent;
}

std::optional<bool> MultiPool::SpeaksHttp2(const std::string& site) {
  std::lock_guard lock(mutex_);
  auto it = http2_.find(site);
  return it == http2_.end() ? std::nullopt : std::optional<bool>(it->second);
}

void MultiPool::NoteProtocol(const std::string& site, bool http2) {
  std::lock_guard lock(mutex_);
  if (http2_.size() < 1000 || http2_.count(site) != 0) http2_[site] = http2;
}

MultiPool::Lease MultiPool::Acquire() {
  {
    std::lock_guard lock(mutex_);
    if (!idle_.empty()) {
      Lease lease(std::move(idle_.back().multi));
      lease.lastUse_ = std::move(idle_.back().lastUse);
      idle_.pop_back();
      return lease;
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

void MultiPool::Return(Lease& lease) {
  Idle idle{std::move(lease.multi_), std::move(lease.lastUse_)};
  std::lock_guard lock(mutex_);
  if (idle_.size() < kMaxIdleEngines) idle_.push_back(std::move(idle));
  // else it goes here, with its connections (after the lock is let go)
}

void MultiPool::DropIdle() {
  std::vector<Idle> dropped;
  std::lock_guard lock(mutex_);
  dropped.swap(idle_);
}

}  // namespace quillmar
