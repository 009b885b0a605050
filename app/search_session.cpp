#include "app/search_session.h"

#include <utility>

namespace quillmar {

// What posted work and the session share. Posted tasks hold it, so a task that runs after
// the session is gone finds `closed` set instead of a dangling session.
struct SearchSession::Shared {
  std::atomic<uint64_t> generation{0};
  bool closed = false;  // UI thread only
  Listener listener;    // UI thread only
  uint64_t* busyGeneration = nullptr;

  bool Current(uint64_t gen) const { return !closed && generation.load() == gen; }
};

SearchSession::SearchSession(std::string site, Poster post, Listener listener, SearchOptions options)
    : site_(std::move(site)),
      post_(std::move(post)),
      options_(std::move(options)),
      shared_(std::make_shared<Shared>()) {
  shared_->listener = std::move(listener);
  shared_->busyGeneration = &busyGeneration_;
}

SearchSession::~SearchSession() {
  shared_->closed = true;
  shared_->generation++;
  shared_->listener = {};
  shared_->busyGeneration = nullptr;
  StopWorkers(true);
}

uint64_t SearchSession::Generation() const { return shared_->generation.load(); }

void SearchSession::StopWorkers(bool wait) {
  for (Worker& w : workers_) w.thread.request_stop();
  if (wait) {
    workers_.clear();  // jthread joins
    return;
  }
  // Finished workers are joined now (at once); stopped ones still ending are kept for later.
  std::erase_if(workers_, [](const Worker& w) { return w.done->load(); });
}

void SearchSession::Cancel() {
  shared_->generation++;
  busyGeneration_ = 0;
  StopWorkers(false);
}

uint64_t SearchSession::Start(std::string keyword, int page) {
  const uint64_t gen = ++shared_->generation;
  busyGeneration_ = gen;
  StopWorkers(false);

  auto done = std::make_shared<std::atomic<bool>>(false);
  std::shared_ptr<Shared> shared = shared_;
  Poster post = post_;
  SearchOptions options = options_;
  std::string site = site_;
  auto work = [=, keyword = std::move(keyword)](std::stop_token stop) mutable {
    // Everything reaching the UI goes through here: dropped unless still current there.
    auto toUi = [&](auto apply) {
      if (stop.stop_requested()) return;
      post([shared, gen, apply = std::move(apply)]() mutable {
        if (shared->Current(gen)) apply(shared->listener);
      });
    };
    toUi([gen](Listener& l) {
      if (l.onStart) l.onStart(gen);
    });
    options.onListRead = [&](const SearchOutcome& read) {
      toUi([read](Listener& l) {
        if (l.onListRead) l.onListRead(read);
      });
    };
    SearchOutcome outcome = RunSiteSearch(
        site, keyword, page,
        [&](const SearchRow& row) {
          toUi([row](Listener& l) {
            if (l.onRow) l.onRow(row);
          });
        },
        stop, options);
    toUi([shared, gen, outcome = std::move(outcome)](Listener& l) {
      if (shared->busyGeneration && *shared->busyGeneration == gen) *shared->busyGeneration = 0;
      if (l.onFinish) l.onFinish(outcome);
    });
    done->store(true);
  };
  workers_.push_back(Worker{std::jthread(std::move(work)), done});
  return gen;
}

}  // namespace quillmar
