#include "app/search_session.h"

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <string>
#include <vector>

#include "tests/app/search_site.h"

namespace quillmar {
namespace {

using namespace std::chrono_literals;

// Stands in for the UI thread: posted tasks queue up and the test runs them.
class UiQueue {
 public:
  SearchSession::Poster Poster() {
    return [this](std::function<void()> task) {
      std::lock_guard lock(mutex_);
      tasks_.push_back(std::move(task));
      cv_.notify_all();
    };
  }
  // Runs tasks until done() holds; false after 20 s without it.
  bool RunUntil(const std::function<bool()>& done) {
    const auto deadline = std::chrono::steady_clock::now() + 20s;
    while (!done()) {
      std::unique_lock lock(mutex_);
      if (!cv_.wait_until(lock, deadline, [&] { return !tasks_.empty(); })) return false;
      auto task = std::move(tasks_.front());
      tasks_.pop_front();
      lock.unlock();
      task();
    }
    return true;
  }
  void RunPending() {
    RunUntil([&] { return Empty(); });
  }
  // Waits until something is posted; false after 20 s without it.
  bool WaitQueued() {
    std::unique_lock lock(mutex_);
    return cv_.wait_for(lock, 20s, [this] { return !tasks_.empty(); });
  }

 private:
  bool Empty() {
    std::lock_guard lock(mutex_);
    return tasks_.empty();
  }
  std::mutex mutex_;
  std::condition_variable cv_;
  std::deque<std::function<void()>> tasks_;
};

// What reached the UI thread, in order: "start", "list N", "row TITLE|MAGNET", "finish N".
struct Seen {
  std::vector<std::string> events;
  int finishes = 0;
  SearchSession::Listener Listener() {
    return {[this](uint64_t) { events.push_back("start"); },
            [this](const SearchOutcome& o) { events.push_back("list " + std::to_string(o.hitCount)); },
            [this](const SearchRow& r) { events.push_back("row " + r.title + "|" + r.magnet); },
            [this](const SearchOutcome& o) {
              events.push_back("finish " + std::to_string(o.rowCount));
              ++finishes;
            }};
  }
};

TEST(SearchSession, RowsReachTheUiThreadInPageOrderBetweenTheClearAndTheFinish) {
  test::SearchSite site;
  UiQueue ui;
  Seen seen;
  SearchSession session(site.Prefix(), ui.Poster(), seen.Listener());
  session.Start("abc", 3);
  EXPECT_TRUE(session.Busy());
  ASSERT_TRUE(ui.RunUntil([&] { return seen.finishes == 1; }));
  EXPECT_FALSE(session.Busy());
  const std::vector<std::string> want = {"start",
                                         "list 3",
                                         "row abc-3 1|magnet:?xt=abc-3-1",
                                         "row abc-3 2|magnet:?xt=abc-3-2",
                                         "row abc-3 3|magnet:?xt=abc-3-3",
                                         "finish 3"};
  EXPECT_EQ(seen.events, want);
}

TEST(SearchSession, SupersededCancelledOrOrphanedWorkNeverReachesTheUi) {
  test::SearchSite site;
  UiQueue ui;
  Seen seen;
  {
    // Work posted but not yet run when the session ends is dropped.
    SearchSession session(site.Prefix(), ui.Poster(), seen.Listener());
    session.Start("abc", 1);
    ASSERT_TRUE(ui.WaitQueued());
  }
  ui.RunPending();
  EXPECT_TRUE(seen.events.empty());

  {
    SearchSession session(site.Prefix(), ui.Poster(), seen.Listener());
    session.Start("slow", 1);
    site.WaitSlow();
    session.Cancel();
    EXPECT_FALSE(session.Busy());
    // A newer search after the cancelled one finishes alone.
    session.Start("abc", 1);
    ASSERT_TRUE(ui.RunUntil([&] { return seen.finishes == 1; }));
    for (const std::string& e : seen.events) EXPECT_EQ(e.find("slow"), std::string::npos) << e;
    session.Start("slow", 1);
    // The session ends while the site still holds that list: its request is cancelled, not awaited.
  }
  site.Release();
  ui.RunPending();
  EXPECT_EQ(seen.finishes, 1);
}

}  // namespace
}  // namespace quillmar
