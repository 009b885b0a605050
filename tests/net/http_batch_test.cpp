#include "net/http_batch.h"

#include <gtest/gtest.h>

#include <mutex>
#include <thread>
#include <vector>

#include "tests/net/loopback_servers.h"

namespace quillmar {
namespace {

using namespace std::chrono_literals;

TEST(HttpBatch, ExchangesStartInTheOrderAddedWithinTheLimitAndEachGetsItsOwnResults) {
  std::mutex mutex;
  std::vector<int> arrivals;  // guarded by mutex
  int inFlight = 0;           // guarded by mutex
  int mostInFlight = 0;       // guarded by mutex
  test::HttpTestServer server;
  server.Routes().Get(R"(/n/(\d+))", [&](const httplib::Request& req, httplib::Response& res) {
    {
      std::lock_guard lock(mutex);
      arrivals.push_back(std::stoi(req.matches[1]));
      mostInFlight = std::max(mostInFlight, ++inFlight);
    }
    std::this_thread::sleep_for(30ms);
    {
      std::lock_guard lock(mutex);
      --inFlight;
    }
    res.set_header("X-Page", req.matches[1].str());
    res.set_content("page " + req.matches[1].str(), "text/plain");
  });
  server.Start();
  for (std::size_t limit : {std::size_t{1}, std::size_t{3}}) {
    arrivals.clear();
    mostInFlight = 0;
    HttpBatch batch(limit);
    constexpr int kCount = 7;
    std::vector<HttpStatus> statuses(kCount);
    std::vector<std::string> headers(kCount);
    std::vector<std::string> bodies(kCount);
    std::vector<int> doneOrder;
    for (int i = 0; i < kCount; ++i) {
      batch.Add(server.Url("/n/" + std::to_string(i)), {.returnedHeaders = &headers[i], .status = &statuses[i]},
                [&, i](ByteArray body) {
                  bodies[i] = std::move(body);
                  doneOrder.push_back(i);
                });
    }
    EXPECT_EQ(batch.Unfinished(), std::size_t{kCount});
    EXPECT_EQ(batch.Run(), HttpBatch::End::AllDone);
    EXPECT_EQ(batch.Unfinished(), 0u);
    EXPECT_EQ(doneOrder.size(), std::size_t{kCount});
    for (int i = 0; i < kCount; ++i) {
      EXPECT_TRUE(statuses[i].Ok()) << statuses[i].reason;
      EXPECT_EQ(statuses[i].responseCode, 200);
      EXPECT_EQ(bodies[i], "page " + std::to_string(i));
      EXPECT_NE(headers[i].find("X-Page: " + std::to_string(i) + "\r\n"), std::string::npos) << headers[i];
    }
    std::lock_guard lock(mutex);
    EXPECT_LE(mostInFlight, static_cast<int>(limit));
    if (limit == 1) {
      EXPECT_EQ(arrivals, (std::vector<int>{0, 1, 2, 3, 4, 5, 6}));
    }
  }
}

TEST(HttpBatch, DeadlineAndCancelLeaveTheRestForAbandonWhichEndsEachWithTheReasonGiven) {
  std::atomic<bool> release{false};
  test::HttpTestServer server;
  server.Routes().Get("/hang", [&](const httplib::Request&, httplib::Response& res) {
    for (int i = 0; i < 500 && !release; ++i) std::this_thread::sleep_for(10ms);
    res.set_content("late", "text/plain");
  });
  server.Start();
  {
    HttpBatch batch(2);
    std::vector<HttpStatus> statuses(3);
    std::vector<int> done;
    for (int i = 0; i < 3; ++i) {
      batch.Add(server.Url("/hang"), {.status = &statuses[i]}, [&done, i](ByteArray body) {
        EXPECT_TRUE(body.empty());
        done.push_back(i);
      });
    }
    const auto started = HttpBatch::Clock::now();
    EXPECT_EQ(batch.Run(nullptr, started + 200ms), HttpBatch::End::Deadline);
    EXPECT_LT(HttpBatch::Clock::now() - started, 3s);
    EXPECT_TRUE(done.empty());
    EXPECT_EQ(batch.Unfinished(), 3u);
    batch.Abandon(HttpError::TotalTimeout, "search time up");
    EXPECT_EQ(done, (std::vector<int>{0, 1, 2}));
    EXPECT_EQ(batch.Unfinished(), 0u);
    for (const HttpStatus& status : statuses) {
      EXPECT_EQ(status.error, HttpError::TotalTimeout);
      EXPECT_NE(status.reason.find("search time up"), std::string::npos) << status.reason;
    }
    EXPECT_EQ(batch.Run(), HttpBatch::End::AllDone);
  }
  {
    std::atomic<bool> cancel{false};
    HttpBatch batch(2);
    HttpStatus status;
    bool told = false;
    batch.Add(server.Url("/hang"), {.status = &status, .limits = {.cancel = &cancel}},
              [&told](ByteArray) { told = true; });
    std::thread stopper([&cancel] {
      std::this_thread::sleep_for(100ms);
      cancel = true;
    });
    const auto started = HttpBatch::Clock::now();
    EXPECT_EQ(batch.Run(&cancel), HttpBatch::End::Cancelled);
    stopper.join();
    EXPECT_LT(HttpBatch::Clock::now() - started, 3s);
    // The exchange watches the same flag, so it may have ended on its own already.
    batch.Abandon(HttpError::Cancelled, {});
    EXPECT_TRUE(told);
    EXPECT_EQ(status.error, HttpError::Cancelled);
  }
  release = true;
}

}  // namespace
}  // namespace quillmar
