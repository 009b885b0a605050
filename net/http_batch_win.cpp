// HttpBatch on Windows: each exchange runs through the blocking HttpRequest on a worker thread
// of its own, at most maxInFlight at once, started in the order added. Workers write only into
// their own shared slot; the caller's status, cookies and headers are filled on the running
// thread when the exchange is reported, so an exchange abandoned or left behind by a destroyed
// batch touches nothing of its caller's. WinHTTP keeps its own connections, hence no warm-ups
// and no count of connections opened.
#include <algorithm>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <optional>
#include <system_error>
#include <thread>
#include <vector>

#include "net/http_batch.h"

namespace quillmar {
namespace {

using std::chrono::milliseconds;

// How often Run looks at the cancel flags at the latest.
constexpr milliseconds kPollInterval{50};

// What finished workers hand back to the running thread.
struct Mailbox {
  std::mutex mutex;
  std::condition_variable changed;
  std::vector<std::size_t> finished;  // ids of the exchanges done, in the order they ended
};

// One exchange as the worker sees it: copies in, results out, its own cancel flag.
struct Slot {
  std::string url;
  HttpRequestOptions request;  // pointers aimed at the fields below
  std::atomic<bool> cancel{false};
  const std::atomic<bool>* callerCancel = nullptr;  // read by the running thread only
  HttpStatus status;
  std::string cookies;
  std::string returnedCookies;
  std::string headers;
  std::string returnedHeaders;
  ByteArray body;
};

}  // namespace

struct HttpBatch::Impl {
  struct Job {
    std::size_t id = 0;
    HttpRequestOptions request;  // as the caller gave it: where the results go
    std::shared_ptr<Slot> slot;
    Done done;
  };

  explicit Impl(std::size_t maxInFlight)
      : mailbox(std::make_shared<Mailbox>()), maxInFlight(std::max<std::size_t>(1, maxInFlight)) {}
  ~Impl() {
    // Exchanges still running end on their own soon, unheard; nothing of the caller's is theirs.
    for (const Job& job : running) job.slot->cancel = true;
  }
  Impl(const Impl&) = delete;
  Impl& operator=(const Impl&) = delete;

  void Start(Job job);
  void Report(Job job);
  void Abandon(HttpError error, const std::string& detail);
  End Run(const std::atomic<bool>* cancel, Clock::time_point deadline);

  std::shared_ptr<Mailbox> mailbox;
  std::size_t maxInFlight;
  std::size_t nextId = 0;
  std::deque<Job> waiting;
  std::vector<Job> running;
};

HttpBatch::HttpBatch(std::size_t maxInFlight) : impl_(std::make_unique<Impl>(maxInFlight)) {}

HttpBatch::~HttpBatch() = default;

void HttpBatch::SetMaxInFlight(std::size_t count) { impl_->maxInFlight = count == 0 ? 1 : count; }

void HttpBatch::Add(const std::string& url, HttpRequestOptions request, Done done) {
  auto slot = std::make_shared<Slot>();
  slot->url = url;
  slot->callerCancel = request.limits.cancel;
  if (request.cookies != nullptr) slot->cookies = *request.cookies;
  if (request.headers != nullptr) slot->headers = *request.headers;
  slot->request = request;
  slot->request.cookies = request.cookies != nullptr ? &slot->cookies : nullptr;
  slot->request.returnedCookies = request.returnedCookies != nullptr ? &slot->returnedCookies : nullptr;
  slot->request.headers = request.headers != nullptr ? &slot->headers : nullptr;
  slot->request.returnedHeaders = request.returnedHeaders != nullptr ? &slot->returnedHeaders : nullptr;
  slot->request.status = &slot->status;
  slot->request.limits.cancel = &slot->cancel;
  impl_->waiting.push_back(Impl::Job{impl_->nextId++, std::move(request), std::move(slot), std::move(done)});
}

void HttpBatch::WarmUp(const std::string&, const HttpOptions&, std::size_t) {}

void HttpBatch::NoteProtocol(const std::string&, int) {}

std::size_t HttpBatch::Unfinished() const { return impl_->waiting.size() + impl_->running.size(); }

long HttpBatch::ConnectionsOpened() const { return 0; }

HttpBatch::End HttpBatch::Run(const std::atomic<bool>* cancel, Clock::time_point deadline) {
  return impl_->Run(cancel, deadline);
}

void HttpBatch::Abandon(HttpError error, const std::string& detail) { impl_->Abandon(error, detail); }

void HttpBatch::Impl::Start(Job job) {
  std::shared_ptr<Slot> slot = job.slot;
  std::shared_ptr<Mailbox> box = mailbox;
  const std::size_t id = job.id;
  try {
    std::thread([slot, box, id] {
      slot->body = HttpRequest(slot->url, slot->request);
      std::lock_guard lock(box->mutex);
      box->finished.push_back(id);
      box->changed.notify_all();
    }).detach();
  } catch (const std::system_error&) {
    slot->status = HttpStatus{};
    slot->status.error = HttpError::Internal;
    slot->status.reason = std::string(HttpErrorName(HttpError::Internal)) + ": cannot start transfer";
    Report(std::move(job));
    return;
  }
  running.push_back(std::move(job));
}

void HttpBatch::Impl::Report(Job job) {
  Slot& slot = *job.slot;
  const HttpRequestOptions& to = job.request;
  if (to.status != nullptr) *to.status = slot.status;
  if (to.cookies != nullptr) *to.cookies = slot.cookies;
  if (to.returnedCookies != nullptr) *to.returnedCookies = slot.returnedCookies;
  if (to.headers != nullptr) *to.headers = slot.headers;
  if (to.returnedHeaders != nullptr) *to.returnedHeaders = slot.returnedHeaders;
  job.done(std::move(slot.body));
}

HttpBatch::End HttpBatch::Impl::Run(const std::atomic<bool>* cancel, Clock::time_point deadline) {
  for (;;) {
    if (cancel != nullptr && cancel->load()) return End::Cancelled;
    if (Clock::now() >= deadline) return End::Deadline;
    while (!waiting.empty() && running.size() < maxInFlight) {
      Job job = std::move(waiting.front());
      waiting.pop_front();
      Start(std::move(job));
    }
    if (running.empty() && waiting.empty()) return End::AllDone;
    // Each exchange's own cancel flag belongs to its caller, who may let it go once told.
    for (const Job& job : running) {
      if (job.slot->callerCancel != nullptr && job.slot->callerCancel->load()) job.slot->cancel = true;
    }
    std::vector<std::size_t> finished;
    {
      std::unique_lock lock(mailbox->mutex);
      milliseconds wait = kPollInterval;
      if (deadline != Clock::time_point::max()) {
        const auto toDeadline = std::chrono::ceil<milliseconds>(deadline - Clock::now());
        wait = std::clamp(toDeadline, milliseconds(0), wait);
      }
      mailbox->changed.wait_for(lock, wait, [&] { return !mailbox->finished.empty(); });
      finished.swap(mailbox->finished);
    }
    for (std::size_t id : finished) {
      auto it = std::find_if(running.begin(), running.end(), [id](const Job& job) { return job.id == id; });
      if (it == running.end()) continue;  // abandoned before it ended
      Job job = std::move(*it);
      running.erase(it);
      Report(std::move(job));
    }
  }
}

void HttpBatch::Impl::Abandon(HttpError error, const std::string& detail) {
  // Taken out of the batch first: a callback may throw, and what is left must stay sound.
  std::vector<Job> ended;
  for (Job& job : running) {
    job.slot->cancel = true;
    ended.push_back(std::move(job));
  }
  running.clear();
  for (Job& job : waiting) ended.push_back(std::move(job));
  waiting.clear();
  for (Job& job : ended) {
    if (job.request.status != nullptr) {
      HttpStatus& status = *job.request.status;
      status = HttpStatus{};
      status.error = error;
      status.reason = std::string(HttpErrorName(error));
      if (!detail.empty()) status.reason += ": " + detail;
    }
    job.done({});
  }
}

}  // namespace quillmar
