#include "net/http_batch.h"

#include <algorithm>
#include <deque>
#include <optional>
#include <vector>

#include "net/http_transfer.h"
#include "net/multi_pool.h"
#include "net/text_search.h"
#include "net/url_text.h"

namespace quillmar {

struct HttpBatch::Impl {
  struct Job {
    std::unique_ptr<HttpTransfer> transfer;  // null when refused before the start
    Done done;
    bool warmUp = false;
  };

  explicit Impl(std::size_t maxInFlight)
      : lease_(MultiPool::Instance().Acquire()), maxInFlight_(std::max<std::size_t>(1, maxInFlight)) {}
  ~Impl() {
    // Exchanges still running are taken off the engine without a word to their callers.
    for (const auto& job : running_) curl_multi_remove_handle(lease_.Get(), job->transfer->Easy());
  }
  Impl(const Impl&) = delete;
  Impl& operator=(const Impl&) = delete;

  void Add(const std::string& url, HttpRequestOptions request, Done done);
  void WarmUp(const std::string& url, const HttpOptions& limits, std::size_t count);
  End Run(const std::atomic<bool>* cancel, Clock::time_point deadline);
  void Abandon(HttpError error, const std::string& detail);
  void StartWaiting(Clock::time_point now);
  void Complete(std::unique_ptr<Job> job, CURLcode result, HttpError stopped);

  MultiPool::Lease lease_;
  std::size_t maxInFlight_;
  std::deque<std::unique_ptr<Job>> waiting_;
  std::vector<std::unique_ptr<Job>> running_;
  std::size_t warmUps_ = 0;  // of running_
  long connectionsOpened_ = 0;
};

HttpBatch::HttpBatch(std::size_t maxInFlight) : impl_(std::make_unique<Impl>(maxInFlight)) {}

HttpBatch::~HttpBatch() = default;

void HttpBatch::SetMaxInFlight(std::size_t count) { impl_->maxInFlight_ = count == 0 ? 1 : count; }

void HttpBatch::Add(const std::string& url, HttpRequestOptions request, Done done) {
  impl_->Add(url, std::move(request), std::move(done));
}

void HttpBatch::WarmUp(const std::string& url, const HttpOptions& limits, std::size_t count) {
  impl_->WarmUp(url, limits, count);
}

HttpBatch::End HttpBatch::Run(const std::atomic<bool>* cancel, Clock::time_point deadline) {
  return impl_->Run(cancel, deadline);
}

void HttpBatch::Abandon(HttpError error, const std::string& detail) { impl_->Abandon(error, detail); }

std::size_t HttpBatch::Unfinished() const { return impl_->waiting_.size() + impl_->running_.size() - impl_->warmUps_; }

long HttpBatch::ConnectionsOpened() const { return impl_->connectionsOpened_; }

void HttpBatch::Impl::Add(const std::string& url, HttpRequestOptions request, Done done) {
  auto job = std::make_unique<Job>();
  job->done = std::move(done);
  job->transfer = HttpTransfer::Prepare(url, std::move(request));
  waiting_.push_back(std::move(job));
}

namespace {

// Scheme, host and port: what one connection can serve.
std::string SiteOf(const std::string& url) {
  const std::string scheme = url.substr(0, url.find("://"));
  return AsciiLower(scheme) + "://" + UrlHost(url, false) + ":" + std::to_string(UrlPort(url));
}

}  // namespace

void HttpBatch::NoteProtocol(const std::string& url, int httpVersion) {
  if (httpVersion != 0) MultiPool::Instance().NoteProtocol(SiteOf(url), httpVersion == 20);
}

void HttpBatch::Impl::WarmUp(const std::string& url, const HttpOptions& limits, std::size_t count) {
  const std::string site = SiteOf(url);
  const std::optional<bool> http2 = MultiPool::Instance().SpeaksHttp2(site);
  if (lease_.Get() == nullptr || lease_.UsedRecently(site) || http2.value_or(false)) return;
  // A TLS site not asked before may turn out to speak HTTP/2: then the warm-ups wait to share
  // its connection rather than open their own.
  const bool unknownTls = !http2 && site.starts_with("https:") && limits.allowHttp2 && limits.reuseConnections;
  for (std::size_t i = 0; i < count; ++i) {
    auto job = std::make_unique<Job>();
    job->transfer = HttpTransfer::PrepareWarmUp(url, limits, unknownTls);
    job->warmUp = true;
    if (!job->transfer || curl_multi_add_handle(lease_.Get(), job->transfer->Easy()) != CURLM_OK) return;
    job->transfer->Start(Clock::now());
    running_.push_back(std::move(job));
    ++warmUps_;
  }
}

void HttpBatch::Impl::StartWaiting(Clock::time_point now) {
  while (!waiting_.empty() && (running_.size() - warmUps_ < maxInFlight_ || !waiting_.front()->transfer)) {
    std::unique_ptr<Job> job = std::move(waiting_.front());
    waiting_.pop_front();
    if (!job->transfer) {
      job->done({});  // refused: its status says why
      continue;
    }
    if (lease_.Get() == nullptr || curl_multi_add_handle(lease_.Get(), job->transfer->Easy()) != CURLM_OK) {
      job->transfer->Abandon(HttpError::Internal, "cannot start transfer");
      job->done({});
      continue;
    }
    job->transfer->Start(now);
    running_.push_back(std::move(job));
  }
}

void HttpBatch::Impl::Complete(std::unique_ptr<Job> job, CURLcode result, HttpError stopped) {
  curl_multi_remove_handle(lease_.Get(), job->transfer->Easy());
  connectionsOpened_ += job->transfer->ConnectionsOpened();
  if (job->warmUp) {
    --warmUps_;
    return;  // its connection stays in the engine; nobody waits for its answer
  }
  ByteArray body = job->transfer->Finish(result, stopped);
  job->done(std::move(body));
}

HttpBatch::End HttpBatch::Impl::Run(const std::atomic<bool>* cancel, Clock::time_point deadline) {
  CURLM* multi = lease_.Get();
  for (;;) {
    if (cancel != nullptr && cancel->load()) return End::Cancelled;
    Clock::time_point now = Clock::now();
    if (now >= deadline) return End::Deadline;
    StartWaiting(now);
    if (running_.size() == warmUps_ && waiting_.empty()) return End::AllDone;
    int stillRunning = 0;
    if (curl_multi_perform(multi, &stillRunning) != CURLM_OK) {
      Abandon(HttpError::Internal, "transfer engine failed");
      return End::AllDone;
    }
    int left = 0;
    while (CURLMsg* msg = curl_multi_info_read(multi, &left)) {
      if (msg->msg != CURLMSG_DONE) continue;
      auto it = std::find_if(running_.begin(), running_.end(),
                             [&](const auto& job) { return job->transfer->Easy() == msg->easy_handle; });
      if (it == running_.end()) continue;
      std::unique_ptr<Job> job = std::move(*it);
      running_.erase(it);
      Complete(std::move(job), msg->data.result, HttpError::None);
    }
    // Limits of each exchange: cancel flag, total time, stall.
    now = Clock::now();
    std::chrono::milliseconds wait{100};
    for (std::size_t i = 0; i < running_.size();) {
      const HttpError overdue = running_[i]->transfer->Overdue(now);
      if (overdue == HttpError::None) {
        wait = std::min(wait, running_[i]->transfer->PollInterval());
        ++i;
        continue;
      }
      std::unique_ptr<Job> job = std::move(running_[i]);
      running_.erase(running_.begin() + static_cast<std::ptrdiff_t>(i));
      Complete(std::move(job), CURLE_OK, overdue);
    }
    if (running_.size() == warmUps_) continue;
    long curlWait = -1;
    curl_multi_timeout(multi, &curlWait);
    if (curlWait >= 0) wait = std::min(wait, std::chrono::milliseconds(curlWait));
    if (deadline != Clock::time_point::max()) {
      const auto toDeadline = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now());
      wait = std::clamp(toDeadline, std::chrono::milliseconds(0), wait);
    }
    curl_multi_poll(multi, nullptr, 0, static_cast<int>(wait.count()), nullptr);
  }
}

void HttpBatch::Impl::Abandon(HttpError error, const std::string& detail) {
  // Taken out of the batch first: a callback may throw, and what is left must stay sound.
  std::vector<std::unique_ptr<Job>> ended;
  for (auto& job : running_) {
    curl_multi_remove_handle(lease_.Get(), job->transfer->Easy());
    if (!job->warmUp) ended.push_back(std::move(job));
  }
  running_.clear();
  warmUps_ = 0;
  for (auto& job : waiting_) ended.push_back(std::move(job));
  waiting_.clear();
  for (auto& job : ended) {
    if (job->transfer) job->transfer->Abandon(error, detail);
    job->done({});
  }
}

}  // namespace quillmar
