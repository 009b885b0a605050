#pragma once
// The window's searches: one worker thread per search, rows handed to the UI thread as
// posted work. Each search carries a generation; starting another or cancelling makes the
// older one's requests end and its late posts fall on the floor. The session never touches
// UI objects itself: the listener's functions run on the UI thread through the poster.
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "net/site_search.h"

namespace quillmar {

class SearchSession {
 public:
  // Runs a task later on the UI thread; must be callable from any thread.
  using Poster = std::function<void(std::function<void()>)>;

  // Each runs on the UI thread, only for the current search and only while the session lives.
  struct Listener {
    std::function<void(uint64_t generation)> onStart;  // the list is to be cleared
    std::function<void(const SearchOutcome&)> onListRead;
    std::function<void(const SearchRow&)> onRow;
    std::function<void(const SearchOutcome&)> onFinish;  // not called for a superseded search
  };

  SearchSession(std::string site, Poster post, Listener listener, SearchOptions options = {});
  // Cancels the running search and waits for every worker: nothing runs after this returns.
  ~SearchSession();
  SearchSession(const SearchSession&) = delete;
  SearchSession& operator=(const SearchSession&) = delete;

  // Starts a search of the keyword (program text) on the given page, superseding any
  // running one; returns its generation. UI thread.
  uint64_t Start(std::string keyword, int page);
  // Ends the running search without a finish notice. UI thread.
  void Cancel();
  // A search was started and its finish has not been seen on the UI thread yet.
  bool Busy() const { return busyGeneration_ != 0; }
  uint64_t Generation() const;
  const std::string& Site() const { return site_; }

 private:
  struct Shared;
  struct Worker {
    std::jthread thread;
    std::shared_ptr<std::atomic<bool>> done;
  };
  void StopWorkers(bool wait);

  std::string site_;
  Poster post_;
  SearchOptions options_;
  std::shared_ptr<Shared> shared_;
  std::vector<Worker> workers_;
  uint64_t busyGeneration_ = 0;
};

}  // namespace quillmar
