#include "app/search_session.h"

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <string>
#include <vector>

#include "tests/net/scripted_site.h"

namespace quillmar {
namespace {

using test::ScriptedSite;
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
    auto deadline = std::chrono::steady_clock::now() + 20s;
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
    std::deque<std::function<void()>> tasks;
    {
      std::lock_guard lock(mutex_);
      tasks.swap(tasks_);
    }
    for (auto& t : tasks) t();
  }

 private:
  std::mutex mutex_;
  std::condition_variable cv_;
  std::deque<std::function<void()>> tasks_;
};

struct Seen {
  std::vector<std::string> events;  // "start", "list N", "row TITLE|MAGNET", "finish N"
  SearchOutcome finished;
  int finishes = 0;
  SearchSession::Listener Listener() {
    return {[this](uint64_t) { events.push_back("start"); },
            [this](const SearchOutcome& o) { events.push_back("list " + std::to_string(o.hitCount)); },
            [this](const SearchRow& r) { events.push_back("row " + r.title + "|" + r.magnet); },
            [this](const SearchOutcome& o) {
              events.push_back("finish " + std::to_string(o.rowCount));
              finished = o;
              ++finishes;
            }};
  }
};

std::string ListPage(const std::string& stem, int hits) {
  std::string html = "<ul>";
  for (int i = 1; i <= hits; ++i)
    html += "<li><a href=\"/d/" + stem + "-" + std::to_string(i) + "\">" + stem + " " + std::to_string(i) + "</a></li>";
  return html + "<li></li></ul>";
}

// /s/<keyword>/<page>/ lists two hits; a keyword "slow" holds its list until released.
struct Site {
  std::mutex mutex;
  std::condition_variable cv;
  bool release = false;
  bool slowSeen = false;
  ScriptedSite server{[this](httplib::Server& s) {
    s.Get(R"(/s/([^/]+)/(\d+)/)", [this](const httplib::Request& req, httplib::Response& res) {
      std::string stem = std::string(req.matches[1]) + "-" + std::string(req.matches[2]);
      if (stem.starts_with("slow")) {
        std::unique_lock lock(mutex);
        slowSeen = true;
        cv.notify_all();
        cv.wait_for(lock, 20s, [&] { return release; });
        stem = "late";
      }
      res.set_content(ListPage(stem, 2), "text/html");
    });
    s.Get(R"(/d/(.+))", [](const httplib::Request& req, httplib::Response& res) {
      res.set_content("<textarea class=\"magnet_copy\">magnet:?xt=" + std::string(req.matches[1]) + "</textarea>",
                      "text/html");
    });
  }};
  std::string Prefix() { return server.Base() + "/s/"; }
  void WaitSlow() {
    std::unique_lock lock(mutex);
    cv.wait_for(lock, 20s, [&] { return slowSeen; });
  }
  void Release() {
    std::lock_guard lock(mutex);
    release = true;
    cv.notify_all();
  }
};

TEST(SearchSession, RowsReachTheUiThreadInPageOrderAfterTheClearAndBeforeTheFinish) {
  Site site;
  UiQueue ui;
  Seen seen;
  SearchSession session(site.Prefix(), ui.Poster(), seen.Listener());
  session.Start("abc", 3);
  EXPECT_TRUE(session.Busy());
  ASSERT_TRUE(ui.RunUntil([&] { return seen.finishes == 1; }));
  EXPECT_FALSE(session.Busy());
  std::vector<std::string> want = {"start", "list 2", "row abc-3 1|magnet:?xt=abc-3-1",
                                   "row abc-3 2|magnet:?xt=abc-3-2", "finish 2"};
  EXPECT_EQ(seen.events, want);
}

TEST(SearchSession, ANewerSearchSupersedesARunningOneWhoseRequestIsCancelled) {
  Site site;
  UiQueue ui;
  Seen seen;
  {
    SearchSession session(site.Prefix(), ui.Poster(), seen.Listener());
    session.Start("slow", 1);
    site.WaitSlow();
    session.Start("abc", 1);
    ASSERT_TRUE(ui.RunUntil([&] { return seen.finishes == 1; }));
    EXPECT_EQ(seen.finished.rowCount, 2);
    for (const std::string& e : seen.events) EXPECT_EQ(e.find("late"), std::string::npos) << e;
    // The slow list is still held by the server: ending the session must not wait for it.
  }
  site.Release();
  ui.RunPending();
  EXPECT_EQ(seen.finishes, 1);
}

TEST(SearchSession, WorkPostedBeforeTheSessionEndedIsDroppedAndCancelStopsTheFinishNotice) {
  Site site;
  UiQueue ui;
  Seen seen;
  {
    SearchSession session(site.Prefix(), ui.Poster(), seen.Listener());
    session.Start("abc", 1);
    // Let the worker finish and post everything, then end the session before running it.
    std::this_thread::sleep_for(50ms);
  }
  ui.RunPending();
  EXPECT_TRUE(seen.events.empty());

  SearchSession session(site.Prefix(), ui.Poster(), seen.Listener());
  session.Start("slow", 1);
  site.WaitSlow();
  session.Cancel();
  EXPECT_FALSE(session.Busy());
  site.Release();
  ui.RunPending();
  for (const std::string& e : seen.events) EXPECT_EQ(e.find("finish"), std::string::npos) << e;
}

TEST(SearchSession, AListThatCannotBeFetchedFinishesWithItsCauseAndNoRows) {
  UiQueue ui;
  Seen seen;
  SearchSession session("http://127.0.0.1:" + std::to_string(test::ClosedPort()) + "/s/", ui.Poster(), seen.Listener());
  session.Start("abc", 1);
  ASSERT_TRUE(ui.RunUntil([&] { return seen.finishes == 1; }));
  EXPECT_EQ(seen.finished.listStatus.error, HttpError::Connect);
  EXPECT_EQ(seen.events, (std::vector<std::string>{"start", "finish 0"}));
}

TEST(SearchSession, SiteComesFromTheEnvironmentOrTheDemoSite) {
  ::setenv("QUILLMAR_SITE", "http://example.test/s/", 1);
  EXPECT_EQ(SearchSession::SiteFromEnvironment(), "http://example.test/s/");
  ::setenv("QUILLMAR_SITE", "", 1);
  EXPECT_EQ(SearchSession::SiteFromEnvironment(), kDefaultSearchSite);
  ::unsetenv("QUILLMAR_SITE");
}

}  // namespace
}  // namespace quillmar
