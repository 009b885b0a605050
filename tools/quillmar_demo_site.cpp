// quillmar-demo-site: a small search site on 127.0.0.1 for trying the program
// without the internet.
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>

#include "tools/demo_site.h"

namespace {

void PrintHelp() {
  std::puts(
      "usage: quillmar-demo-site [--port N] [--tls-port N] [--cert-file FILE]\n"
      "Serves a demo search site on 127.0.0.1, over HTTP (default port 8410) and over\n"
      "HTTPS with HTTP/2 (default port 8411; 0 turns it off):\n"
      "  /s/<keyword>/<page>/   result list (try 电影, movie, music)\n"
      "  /d/<id>.html           detail page with a magnet link\n"
      "The HTTPS certificate is made at start and written to FILE (default\n"
      "$TMPDIR/quillmar-demo-site.pem); trust it with quillmar-search --cacert FILE.\n"
      "Stops on Ctrl-C or SIGTERM.");
}

}  // namespace

int main(int argc, char** argv) {
  int port = 8410;
  int tlsPort = 8411;
  const char* tmp = std::getenv("TMPDIR");
  std::string certFile = std::string(tmp != nullptr && *tmp ? tmp : "/tmp") + "/quillmar-demo-site.pem";
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
      PrintHelp();
      return 0;
    }
    const bool tls = std::strcmp(argv[i], "--tls-port") == 0;
    if ((std::strcmp(argv[i], "--port") == 0 || tls) && i + 1 < argc) {
      char* end = nullptr;
      long value = std::strtol(argv[++i], &end, 10);
      if (*end != '\0' || value < 0 || value > 65535) {
        std::fprintf(stderr, "quillmar-demo-site: bad port: %s\n", argv[i]);
        return 2;
      }
      (tls ? tlsPort : port) = static_cast<int>(value);
      continue;
    }
    if (std::strcmp(argv[i], "--cert-file") == 0 && i + 1 < argc) {
      certFile = argv[++i];
      continue;
    }
    std::fprintf(stderr, "quillmar-demo-site: unknown argument: %s (see --help)\n", argv[i]);
    return 2;
  }

  // Block the stop signals before any thread starts, then wait for one here.
  sigset_t stopSignals;
  sigemptyset(&stopSignals);
  sigaddset(&stopSignals, SIGINT);
  sigaddset(&stopSignals, SIGTERM);
  pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);

  quillmar::DemoSite site;
  int bound = site.Start(port);
  if (bound < 0) {
    std::fprintf(stderr, "quillmar-demo-site: cannot listen on 127.0.0.1:%d\n", port);
    return 2;
  }
  std::printf("quillmar-demo-site: serving %s\n", site.SearchPrefix().c_str());
  if (tlsPort != 0) {
    if (site.StartSecure(tlsPort) < 0) {
      std::fprintf(stderr, "quillmar-demo-site: cannot serve HTTPS on 127.0.0.1:%d\n", tlsPort);
      return 2;
    }
    std::ofstream out(certFile, std::ios::binary | std::ios::trunc);
    out << site.CertificatePem();
    if (!out.flush()) {
      std::fprintf(stderr, "quillmar-demo-site: cannot write %s\n", certFile.c_str());
      return 2;
    }
    std::printf("quillmar-demo-site: serving %s (certificate: %s)\n", site.SecureSearchPrefix().c_str(),
                certFile.c_str());
  }
  std::fflush(stdout);
  int received = 0;
  sigwait(&stopSignals, &received);
  site.Stop();
  return 0;
}
