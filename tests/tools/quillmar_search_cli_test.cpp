// The command-line search run as a separate program against loopback sites.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <mutex>
#include <sstream>
#include <thread>
#include <vector>

#include "tests/net/scripted_site.h"
#include "tools/demo_catalogue.h"
#include "tools/demo_site.h"

extern char** environ;

namespace quillmar {
namespace {

struct ProgramRun {
  int exitCode = -1;
  std::string out;
  std::string err;
  std::vector<std::string> Lines() const {
    std::vector<std::string> lines;
    std::istringstream in(out);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
  }
};

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

// Runs quillmar-search with args; env replaces QUILLMAR_SITE (unset when empty). A wrapper
// program, when given, runs it.
ProgramRun RunSearch(const std::vector<std::string>& args, const std::string& siteEnv = {},
                     const std::string& wrapper = {}) {
  static int counter = 0;
  const std::string stem =
      ::testing::TempDir() + "quillmar_cli_" + std::to_string(::getpid()) + "_" + std::to_string(counter++);
  const std::string outPath = stem + ".out";
  const std::string errPath = stem + ".err";
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
  posix_spawn_file_actions_addopen(&actions, 2, errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);

  std::vector<std::string> argStore{QUILLMAR_SEARCH_BIN};
  if (!wrapper.empty()) argStore.insert(argStore.begin(), wrapper);
  argStore.insert(argStore.end(), args.begin(), args.end());
  std::vector<char*> argv;
  for (std::string& a : argStore) argv.push_back(a.data());
  argv.push_back(nullptr);
  std::vector<std::string> envStore;
  for (char** e = environ; *e; ++e) {
    if (!std::string_view(*e).starts_with("QUILLMAR_SITE=")) envStore.emplace_back(*e);
  }
  if (!siteEnv.empty()) envStore.push_back("QUILLMAR_SITE=" + siteEnv);
  std::vector<char*> envp;
  for (std::string& e : envStore) envp.push_back(e.data());
  envp.push_back(nullptr);

  ProgramRun run;
  pid_t pid = 0;
  if (posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), envp.data()) == 0) {
    int status = 0;
    waitpid(pid, &status, 0);
    run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  }
  posix_spawn_file_actions_destroy(&actions);
  run.out = ReadFile(outPath);
  run.err = ReadFile(errPath);
  std::remove(outPath.c_str());
  std::remove(errPath.c_str());
  return run;
}

std::string ClosedSite() { return "http://127.0.0.1:" + std::to_string(test::ClosedPort()) + "/s/"; }

TEST(QuillmarSearch, PrintsOneUtf8LinePerHitInPageOrder) {
  DemoSite site;
  ASSERT_GT(site.Start(0), 0);
  std::vector<const DemoEntry*> entries = FindDemoEntries("电影");
  for (int page : {1, 3}) {
    ProgramRun run = RunSearch({"--site", site.SearchPrefix(), "--page", std::to_string(page), "电影"});
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.err, "");
    std::vector<std::string> lines = run.Lines();
    ASSERT_EQ(lines.size(), page == 1 ? 10u : 4u);
    for (size_t i = 0; i < lines.size(); ++i) {
      const DemoEntry& e = *entries[static_cast<size_t>(page - 1) * 10 + i];
      EXPECT_EQ(lines[i], e.title + "\t" + DemoMagnet(e));
    }
  }
}

TEST(QuillmarSearch, NoHitsIsStillSuccess) {
  DemoSite site;
  ASSERT_GT(site.Start(0), 0);
  ProgramRun run = RunSearch({"--site", site.SearchPrefix(), "nothing", "like", "this"});
  EXPECT_EQ(run.exitCode, 0);
  EXPECT_EQ(run.out, "");
  EXPECT_EQ(run.err, "");
}

TEST(QuillmarSearch, UnfetchableListPageExitsWithTwoAndOneLineReason) {
  for (const std::string& site : {ClosedSite(), std::string("ftp://127.0.0.1/s/"), std::string("http://")}) {
    SCOPED_TRACE(site);
    ProgramRun run = RunSearch({"--site", site, "abc"});
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_EQ(run.out, "");
    EXPECT_TRUE(run.err.starts_with("quillmar-search: ")) << run.err;
    EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 1) << run.err;
  }
}

TEST(QuillmarSearch, ErrorStatusPageIsNotAFailureAndKeywordsJoinWithOneSpace) {
  std::mutex mutex;
  std::vector<std::string> paths;
  test::ScriptedSite site([&](httplib::Server& s) {
    s.Get(R"(/s/.*)", [&](const httplib::Request& req, httplib::Response& res) {
      {
        std::lock_guard lock(mutex);
        paths.push_back(req.path);
      }
      res.status = 500;
      res.set_content("<li><a href=\"/d\">t</a></li><li>", "text/html");
    });
    s.Get("/d", [](const httplib::Request&, httplib::Response& res) {
      res.set_content("<textarea class=\"magnet_copy\">magnet:?m</textarea>", "text/html");
    });
  });
  ProgramRun run = RunSearch({"--page=2", "a", "b", "--site=" + site.Base() + "/s/"});
  EXPECT_EQ(run.exitCode, 0) << run.err;
  EXPECT_EQ(run.out, "t\tmagnet:?m\n");
  std::lock_guard lock(mutex);
  ASSERT_EQ(paths.size(), 1u);
  EXPECT_EQ(paths[0], "/s/a b/2/");
}

TEST(QuillmarSearch, HostileResultPageShowsTheHitsBeforeItAndSaysSo) {
  test::ScriptedSite site([](httplib::Server& s) {
    s.Get(R"(/s/.*)", [](const httplib::Request&, httplib::Response& res) {
      std::string page = "<li><a href=\"/d\">first</a></li><li>";
      for (int i = 0; i < 100'000; ++i) page += "<a href=\"x\">y</a></li>";
      res.set_content(page, "text/html");
    });
    s.Get("/d", [](const httplib::Request&, httplib::Response& res) {
      res.set_content("<textarea class=\"magnet_copy\">magnet:1</textarea>", "text/html");
    });
  });
  ProgramRun run = RunSearch({"--site", site.Base() + "/s/", "k"});
  EXPECT_EQ(run.exitCode, 0);
  EXPECT_EQ(run.out, "first\tmagnet:1\n");
  EXPECT_NE(run.err.find("first 1 hit"), std::string::npos) << run.err;
}

// Page text that would move the cursor or retitle the window comes out as U+FFFD; line
// structure stays, printable text of any script stays as it is.
TEST(QuillmarSearch, ControlCharactersNeverReachTheTerminal) {
  const std::string bad = "\xEF\xBF\xBD";  // U+FFFD
  struct Case {
    std::string title;    // as the page has it
    std::string printed;  // as the terminal gets it
  };
  const std::vector<Case> cases = {
      {"a\x1B[31mred", "a" + bad + "[31mred"},
      {"b&#27;]0;owned&#7;", "b" + bad + "]0;owned" + bad},
      {"c\xC2\x9B"
       "2J",
       "c" + bad + "2J"},
      {"d&#155;x&#127;y&#x85;", "d" + bad + "x" + bad + "y" + bad},
      {"e\x7F\x01\x08", "e" + bad + bad + bad},
      {"f&#9;g&#13;&#10;h", "f g  h"},
      {"电影 서울 \xF0\x9F\x8E\xAC Ünïcödé", "电影 서울 \xF0\x9F\x8E\xAC Ünïcödé"},
  };
  test::ScriptedSite site([&](httplib::Server& s) {
    s.Get(R"(/s/.*)", [&](const httplib::Request&, httplib::Response& res) {
      std::string page;
      for (size_t i = 0; i < cases.size(); ++i) {
        page += "<li><a href=\"/d/" + std::to_string(i) + "\">" + cases[i].title + "</a></li>";
      }
      res.set_content(page + "<li>", "text/html");
    });
    s.Get(R"(/d/(\d+))", [](const httplib::Request& req, httplib::Response& res) {
      res.set_content("<textarea class=\"magnet_copy\">magnet:?xt=" + std::string(req.matches[1]) +
                          "&#27;[2J\x1B]52;c;x\x07</textarea>",
                      "text/html");
    });
  });
  ProgramRun run = RunSearch({"--site", site.Base() + "/s/", "k"});
  EXPECT_EQ(run.exitCode, 0) << run.err;
  std::vector<std::string> lines = run.Lines();
  ASSERT_EQ(lines.size(), cases.size()) << run.out;
  for (size_t i = 0; i < cases.size(); ++i) {
    SCOPED_TRACE(cases[i].title);
    EXPECT_EQ(lines[i], cases[i].printed + "\tmagnet:?xt=" + std::to_string(i) + bad + "[2J" + bad + "]52;c;x" + bad);
  }
}

// Scripts pass the magnet column to a desktop opener: any other scheme stays out of it.
TEST(QuillmarSearch, MagnetColumnHoldsOnlyMagnetLinks) {
  const std::vector<std::pair<std::string, bool>> links = {
      {"magnet:?xt=urn:btih:1", true}, {"MAGNET:?xt=2", true},
      {"javascript:alert(1)", false},  {"data:text/html,x", false},
      {"file:///etc/passwd", false},   {"http://x/y", false},
      {" magnet:?xt=3", false},        {"magnet:", false},
  };
  test::ScriptedSite site([&](httplib::Server& s) {
    s.Get(R"(/s/.*)", [&](const httplib::Request&, httplib::Response& res) {
      std::string page;
      for (size_t i = 0; i < links.size(); ++i) page += "<li><a href=\"/d/" + std::to_string(i) + "\">t</a></li>";
      res.set_content(page + "<li>", "text/html");
    });
    s.Get(R"(/d/(\d+))", [&](const httplib::Request& req, httplib::Response& res) {
      const std::string& link = links[std::stoul(req.matches[1])].first;
      res.set_content("<textarea class=\"magnet_copy\">" + link + "</textarea>", "text/html");
    });
  });
  ProgramRun run = RunSearch({"--site", site.Base() + "/s/", "k"});
  EXPECT_EQ(run.exitCode, 0) << run.err;
  std::vector<std::string> lines = run.Lines();
  ASSERT_EQ(lines.size(), links.size());
  int refused = 0;
  for (size_t i = 0; i < links.size(); ++i) {
    EXPECT_EQ(lines[i], "t\t" + (links[i].second ? links[i].first : std::string())) << links[i].first;
    refused += links[i].second ? 0 : 1;
  }
  size_t causes = 0;
  for (size_t at = 0; (at = run.err.find(": not a magnet link\n", at)) != std::string::npos; ++at) ++causes;
  EXPECT_EQ(causes, static_cast<size_t>(refused)) << run.err;
}

// Invisible characters that reorder or hide text are replaced in both columns.
TEST(QuillmarSearch, DirectionOverridesAndZeroWidthCharactersAreReplaced) {
  const std::string bad = "\xEF\xBF\xBD";
  test::ScriptedSite site([](httplib::Server& s) {
    s.Get(R"(/s/.*)", [](const httplib::Request&, httplib::Response& res) {
      // U+202E, U+200B, U+2066, U+200F, U+2069 between letters; U+2010 (a hyphen) stays.
      res.set_content("<li><a href=\"/d\">a\u202Eb\u200Bc\u2066d\u200Fe\u2069f\u2010g</a></li><li>", "text/html");
    });
    s.Get("/d", [](const httplib::Request&, httplib::Response& res) {
      res.set_content("<textarea class=\"magnet_copy\">magnet:?dn=x&#x202D;y&#8203;z</textarea>", "text/html");
    });
  });
  ProgramRun run = RunSearch({"--site", site.Base() + "/s/", "k"});
  EXPECT_EQ(run.exitCode, 0) << run.err;
  EXPECT_EQ(run.out, "a" + bad + "b" + bad + "c" + bad + "d" + bad + "e" + bad + "f\u2010g\tmagnet:?dn=x" + bad + "y" +
                         bad + "z\n");
}

TEST(QuillmarSearch, RowsWithoutAMagnetSayWhyOnStandardError) {
  test::ScriptedSite site([](httplib::Server& s) {
    s.Get(R"(/s/.*)", [](const httplib::Request&, httplib::Response& res) {
      res.set_content(
          "<li><a href=\"/ok\">one</a></li><li><a href=\"/none\">two</a></li>"
          "<li><a href=\"/missing\">three\x1B</a></li><li>",
          "text/html");
    });
    s.Get("/ok", [](const httplib::Request&, httplib::Response& res) {
      res.set_content("<textarea class=\"magnet_copy\">magnet:?m</textarea>", "text/html");
    });
    s.Get("/none", [](const httplib::Request&, httplib::Response& res) { res.set_content("nothing", "text/html"); });
  });
  ProgramRun run = RunSearch({"--site", site.Base() + "/s/", "k"});
  EXPECT_EQ(run.exitCode, 0) << run.err;
  EXPECT_EQ(run.out, "one\tmagnet:?m\ntwo\t\nthree\xEF\xBF\xBD\t\n");
  EXPECT_EQ(run.err,
            "quillmar-search: no magnet for \"two\": no magnet on the page\n"
            "quillmar-search: no magnet for \"three\xEF\xBF\xBD\": HTTP status 404\n");
}

TEST(QuillmarSearch, MaxTimeBoundsARequestThatNeverEnds) {
  test::RawTestServer silent("", /*holdOpen=*/true);
  const auto started = std::chrono::steady_clock::now();
  ProgramRun run = RunSearch({"--max-time", "0.5", "--site", silent.Url("/s/"), "k"});
  EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(5));
  EXPECT_EQ(run.exitCode, 2);
  EXPECT_NE(run.err.find("timed out"), std::string::npos) << run.err;
}

TEST(QuillmarSearch, SearchTimeCutsSlowHitsAndSaysHowMany) {
  test::ScriptedSite site([](httplib::Server& s) {
    s.Get(R"(/s/.*)", [](const httplib::Request&, httplib::Response& res) {
      res.set_content("<li><a href=\"/d/0\">fast</a></li><li><a href=\"/d/1\">slow</a></li><li>", "text/html");
    });
    s.Get(R"(/d/(\d))", [](const httplib::Request& req, httplib::Response& res) {
      if (req.matches[1] == "1") std::this_thread::sleep_for(std::chrono::seconds(3));
      res.set_content("<textarea class=\"magnet_copy\">magnet:?" + std::string(req.matches[1]) + "</textarea>",
                      "text/html");
    });
  });
  const auto started = std::chrono::steady_clock::now();
  ProgramRun run = RunSearch({"--search-time", "0.8", "--site", site.Base() + "/s/", "k"});
  EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::milliseconds(2500));
  EXPECT_EQ(run.exitCode, 0) << run.err;
  EXPECT_EQ(run.out, "fast\tmagnet:?0\nslow\t\n");
  EXPECT_NE(run.err.find("no magnet for \"slow\": search time limit\n"), std::string::npos) << run.err;
  EXPECT_NE(run.err.find("1 of 2 hit(s) not read in time"), std::string::npos) << run.err;
}

// A name server that reads the query and never answers: the lookup is abandoned at the limit
// instead of being waited for, and the message tells how long it really took.
TEST(QuillmarSearch, MaxTimeHoldsWhenTheNameServerNeverAnswers) {
  auto timedRun = [](const std::string& site, std::chrono::nanoseconds* took) {
    const auto started = std::chrono::steady_clock::now();
    ProgramRun run = RunSearch({"--max-time", "2", "--site", site, "k"}, {}, SILENT_DNS_SANDBOX_BIN);
    *took = std::chrono::steady_clock::now() - started;
    return run;
  };
  // The same sandbox and program with a site refused at once: what starting and ending cost.
  std::chrono::nanoseconds baseline{}, took{};
  ProgramRun refused = timedRun("http://127.0.0.1:1/s/", &baseline);
  if (refused.exitCode == 77) GTEST_SKIP() << "no user namespaces here: " << refused.err;
  ProgramRun run = timedRun("http://quillmar-silent.example/s/", &took);
  EXPECT_EQ(run.exitCode, 2) << run.err;
  EXPECT_LT(took - baseline, std::chrono::milliseconds(2500)) << run.err;
  // Either limit may end it first: the transport's ("Resolving timed out after 2001
  // milliseconds") or the request's own ("gave up after 2003 ms, still looking up the host name").
  EXPECT_TRUE(run.err.find("Resolving timed out after") != std::string::npos ||
              run.err.find("still looking up the host name") != std::string::npos)
      << run.err;
  EXPECT_NE(run.err.find("quer"), std::string::npos) << run.err;  // the lookup did reach the server
  EXPECT_EQ(run.err.find(" 0 queries"), std::string::npos) << run.err;
}

TEST(QuillmarSearch, CacertTrustsTheDemoSitesHttpsCertificate) {
  DemoSite site;
  ASSERT_GT(site.Start(0), 0);
  ASSERT_GT(site.StartSecure(0), 0);
  const std::string caFile = ::testing::TempDir() + "quillmar_cli_ca_" + std::to_string(::getpid()) + ".pem";
  std::ofstream(caFile, std::ios::binary | std::ios::trunc) << site.CertificatePem();
  ProgramRun trusted = RunSearch({"--cacert", caFile, "--site", site.SecureSearchPrefix(), "Sintel"});
  EXPECT_EQ(trusted.exitCode, 0) << trusted.err;
  ASSERT_EQ(trusted.Lines().size(), 1u);
  EXPECT_TRUE(trusted.Lines()[0].find("\tmagnet:?") != std::string::npos) << trusted.out;
  ProgramRun refused = RunSearch({"--site", site.SecureSearchPrefix(), "Sintel"});
  EXPECT_EQ(refused.exitCode, 2);
  EXPECT_NE(refused.err.find("TLS failure"), std::string::npos) << refused.err;
  std::remove(caFile.c_str());
}

TEST(QuillmarSearch, SiteFlagWinsOverEnvironmentWhichWinsOverDefault) {
  DemoSite site;
  ASSERT_GT(site.Start(0), 0);
  ProgramRun fromEnv = RunSearch({"Sintel"}, site.SearchPrefix());
  EXPECT_EQ(fromEnv.exitCode, 0) << fromEnv.err;
  EXPECT_EQ(fromEnv.Lines().size(), 1u);
  ProgramRun flagWins = RunSearch({"--site", site.SearchPrefix(), "Sintel"}, ClosedSite());
  EXPECT_EQ(flagWins.exitCode, 0) << flagWins.err;
  ProgramRun envUsed = RunSearch({"Sintel"}, ClosedSite());
  EXPECT_EQ(envUsed.exitCode, 2);
}

TEST(QuillmarSearch, HelpAndBadArguments) {
  ProgramRun help = RunSearch({"--help"});
  EXPECT_EQ(help.exitCode, 0);
  EXPECT_TRUE(help.out.starts_with("usage: quillmar-search [--site URL] [--page N] [--max-time SECONDS]")) << help.out;
  EXPECT_NE(help.out.find("--search-time SECONDS"), std::string::npos);
  EXPECT_NE(help.out.find("--cacert FILE"), std::string::npos);
  EXPECT_NE(help.out.find("QUILLMAR_SITE"), std::string::npos);
  for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{{"--page", "x", "a"},
                                                                                    {"--page", "0", "a"},
                                                                                    {"--site"},
                                                                                    {"--bogus", "a"},
                                                                                    {"--max-time", "0", "a"},
                                                                                    {"--max-time", "1s", "a"},
                                                                                    {"--search-time", "-1", "a"},
                                                                                    {"--cacert"},
                                                                                    {"--max-time"}}) {
    ProgramRun bad = RunSearch(args);
    EXPECT_EQ(bad.exitCode, 2) << args[0];
    EXPECT_EQ(bad.out, "");
    EXPECT_FALSE(bad.err.empty());
  }
}

}  // namespace
}  // namespace quillmar
