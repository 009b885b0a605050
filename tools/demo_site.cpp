#include "tools/demo_site.h"

#include <httplib.h>

#include <algorithm>
#include <atomic>
#include <regex>
#include <thread>

#include "net/http_request.h"
#include "net/url_text.h"
#include "tools/demo_catalogue.h"
#include "tools/demo_tls_server.h"

namespace quillmar {

namespace {

// Escapes what HTML needs, plus "%": the client decodes percent-escapes in a
// whole page, so a literal percent sign has to travel as a character reference.
std::string EscapeHtml(std::string_view text) {
  std::string out;
  for (char c : text) {
    switch (c) {
      case '&':
        out += "&amp;";
        break;
      case '<':
        out += "&lt;";
        break;
      case '>':
        out += "&gt;";
        break;
      case '"':
        out += "&quot;";
        break;
      case '\'':
        out += "&#39;";
        break;
      case '%':
        out += "&#37;";
        break;
      default:
        out.push_back(c);
    }
  }
  return out;
}

std::string PageHead(std::string_view title) {
  return "<!DOCTYPE html>\n<html><head><meta charset=\"utf-8\"><title>" + EscapeHtml(title) + "</title></head><body>\n";
}

std::string ListHref(const std::string& keyword, int page) {
  return "/s/" + UrlEncode(keyword, true, false) + "/" + std::to_string(page) + "/";
}

}  // namespace

std::string DemoListPage(const std::string& keyword, int page, int pageSize) {
  pageSize = std::max(1, pageSize);
  std::vector<const DemoEntry*> found = FindDemoEntries(keyword);
  const int total = static_cast<int>(found.size());
  const int pages = total == 0 ? 1 : (total + pageSize - 1) / pageSize;
  std::string html = PageHead(keyword + " - 第" + std::to_string(page) + "页");
  html += "<h1>" + EscapeHtml(keyword) + "</h1><p class=\"count\">共 " + std::to_string(total) + " 条结果</p>\n";
  // Every hit sits on one line, each item followed at once by a bare "<li>"
  // (the next item, or an empty one after the last), the shape the client reads.
  html += "<ul class=\"results\">";
  const long first = static_cast<long>(page - 1) * pageSize;
  for (long i = first; page >= 1 && i < total && i < first + pageSize; ++i) {
    const DemoEntry& e = *found[static_cast<size_t>(i)];
    html += "<li><a href=\"/d/" + std::to_string(e.id) + ".html\">" + EscapeHtml(e.title) + "</a></li>";
  }
  html += "<li></li></ul>\n<p class=\"pages\">";
  if (page > 1) html += "<a href=\"" + ListHref(keyword, page - 1) + "\">上一页</a> ";
  html += "第 " + std::to_string(page) + " / " + std::to_string(pages) + " 页";
  if (page < pages) html += " <a href=\"" + ListHref(keyword, page + 1) + "\">下一页</a>";
  html += "</p>\n</body></html>\n";
  return html;
}

std::string DemoDetailPage(int id) {
  const DemoEntry* e = FindDemoEntry(id);
  if (!e) return {};
  std::string html = PageHead(e->title);
  html += "<h1>" + EscapeHtml(e->title) + "</h1>\n<p>标签: " + EscapeHtml(e->tags) + "</p>\n";
  html += "<textarea id=\"magnet\" class=\"magnet_copy\">" + EscapeHtml(DemoMagnet(*e)) + "</textarea>\n";
  html += "</body></html>\n";
  return html;
}

DemoResponse DemoRespond(std::string_view decodedPath, const DemoSite::Options& options) {
  static const std::regex list(R"(/s/(.*)/(-?\d{1,9})/)");
  static const std::regex detail(R"(/d/(\d{1,9})\.html)");
  const std::string path(decodedPath);
  std::smatch m;
  DemoResponse response;
  if (std::regex_match(path, m, list)) {
    if (options.delay.count() > 0) std::this_thread::sleep_for(options.delay);
    response.body = DemoListPage(m[1], std::stoi(m[2]), options.pageSize);
  } else if (std::regex_match(path, m, detail)) {
    if (options.delay.count() > 0) std::this_thread::sleep_for(options.delay);
    response.body = DemoDetailPage(std::stoi(m[1]));
    if (response.body.empty()) {
      response.status = 404;
      response.body = PageHead("404") + "<p>没有这个条目</p></body></html>\n";
    }
  } else if (path == "/") {
    response.body = PageHead("Quillmar demo site") + "<p>GET /s/&lt;keyword&gt;/&lt;page&gt;/</p></body></html>\n";
  } else {
    response.status = 404;
    response.body = PageHead("404") + "</body></html>\n";
  }
  return response;
}

struct DemoSite::Server {
  httplib::Server http;
  std::thread thread;
  std::atomic<bool> loopEnded{false};
  std::unique_ptr<DemoTlsServer> tls;
};

DemoSite::DemoSite() : DemoSite(Options{}) {}

DemoSite::DemoSite(Options options) : options(options) {}

DemoSite::~DemoSite() { Stop(); }

bool DemoSite::Bind(int wantedPort, const std::string& bindHost) {
  server = std::make_unique<Server>();
  const Options opts = options;
  // Connections are kept for many requests: a search's detail pages share a few.
  server->http.set_keep_alive_max_count(1000);
  server->http.Get(R"(/.*)", [opts](const httplib::Request& req, httplib::Response& res) {
    DemoResponse r = DemoRespond(req.path, opts);
    res.status = r.status;
    res.set_content(r.body, r.contentType);
  });
  host = bindHost;
  if (wantedPort == 0) {
    port = server->http.bind_to_any_port(bindHost);
  } else {
    port = server->http.bind_to_port(bindHost, wantedPort) ? wantedPort : -1;
  }
  if (port < 0) server.reset();
  return port >= 0;
}

int DemoSite::Start(int wantedPort, const std::string& bindHost) {
  Stop();
  if (!Bind(wantedPort, bindHost)) return -1;
  Server* s = server.get();
  s->thread = std::thread([s] {
    s->http.listen_after_bind();
    s->loopEnded = true;
  });
  // Stop only takes effect once the loop runs, so wait for it here.
  while (!s->http.is_running() && !s->loopEnded) std::this_thread::yield();
  return port;
}

int DemoSite::StartSecure(int wantedPort) {
  if (!server) return -1;
  const Options opts = options;
  server->tls = std::make_unique<DemoTlsServer>(
      [opts](std::string_view path) { return DemoRespond(UrlDecode(path.substr(0, path.find('?')), false), opts); });
  tlsPort = server->tls->Start(wantedPort, host);
  if (tlsPort < 0) server->tls.reset();
  return tlsPort;
}

bool DemoSite::HttpsBuiltIn() { return DemoTlsServer::BuiltIn(); }

void DemoSite::Stop() {
  if (!server) return;
  // The program's own idle connections to this site go first, or each would hold a worker.
  DropIdleConnections();
  server->tls.reset();
  server->http.stop();
  if (server->thread.joinable()) server->thread.join();
  server.reset();
  port = -1;
  tlsPort = -1;
}

std::string DemoSite::SecureSearchPrefix() const { return "https://" + host + ":" + std::to_string(tlsPort) + "/s/"; }

const std::string& DemoSite::CertificatePem() const {
  static const std::string none;
  return server && server->tls ? server->tls->CertificatePem() : none;
}

std::string DemoSite::SearchPrefix() const { return "http://" + host + ":" + std::to_string(port) + "/s/"; }

}  // namespace quillmar
