#pragma once
// A loopback search site for the program's tests. /s/<keyword>/<page>/ lists three hits
// (300 for keyword "many"), /d/<keyword>-<page>-<n> carries its own magnet. Keyword "slow"
// holds its list until released; on "odd" the second hit's cell is a script address and the
// third's page is gone.
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <string>

#include "tests/net/scripted_site.h"

namespace quillmar::test {

class SearchSite {
 public:
  SearchSite()
      : server_([this](httplib::Server& s) {
          s.Get(R"(/s/([^/]+)/(\d+)/)", [this](const httplib::Request& req, httplib::Response& res) {
            const std::string keyword = req.matches[1];
            const std::string stem = keyword + "-" + std::string(req.matches[2]);
            if (keyword == "slow") {
              std::unique_lock lock(mutex_);
              slowSeen_ = true;
              cv_.notify_all();
              cv_.wait_for(lock, std::chrono::seconds(20), [&] { return release_; });
            }
            std::string html = "<ul>";
            const int hits = keyword == "many" ? 300 : 3;
            for (int i = 1; i <= hits; ++i) {
              const std::string n = std::to_string(i);
              html += "<li><a href=\"/d/" + stem + "-" + n + "\">" + stem + " " + n + "</a></li>";
            }
            res.set_content(html + "<li></li></ul>", "text/html");
          });
          s.Get(R"(/d/(.+))", [](const httplib::Request& req, httplib::Response& res) {
            const std::string id = req.matches[1];
            if (id == "odd-1-3") {
              res.status = 404;
              return res.set_content("gone", "text/plain");
            }
            const std::string link = id == "odd-1-2" ? "javascript:alert(1)" : "magnet:?xt=" + id;
            res.set_content("<textarea class=\"magnet_copy\">" + link + "</textarea>", "text/html");
          });
        }) {}
  ~SearchSite() { Release(); }

  std::string Prefix() const { return server_.Base() + "/s/"; }
  // Returns once a "slow" list request is being held.
  void WaitSlow() {
    std::unique_lock lock(mutex_);
    cv_.wait_for(lock, std::chrono::seconds(20), [&] { return slowSeen_; });
  }
  void Release() {
    std::lock_guard lock(mutex_);
    release_ = true;
    cv_.notify_all();
  }

 private:
  std::mutex mutex_;
  std::condition_variable cv_;
  bool slowSeen_ = false;
  bool release_ = false;
  ScriptedSite server_;
};

}  // namespace quillmar::test
