// quillmar-demo-site: a small search site on 127.0.0.1 for trying the program
// without the internet.
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "base/program_arguments.h"
#include "tools/demo_site.h"
#include "base/stop_request.h"

namespace {

constexpr int kDefaultPort = 8410;
constexpr int kDefaultTlsPort = 8411;

void PrintHelp() {
  if (quillmar::DemoSite::HttpsBuiltIn()) {
    std::puts(
        "usage: quillmar-demo-site [--port N] [--tls-port N] [--cert-file FILE]\n"
        "Serves a demo search site on 127.0.0.1, over HTTP (default port 8410) and over\n"
        "HTTPS with HTTP/2 (default port 8411; 0 turns it off):\n"
        "  /s/<keyword>/<page>/   result list (try 电影, movie, music)\n"
        "  /d/<id>.html           detail page with a magnet link\n"
        "The HTTPS certificate is made at start and written to FILE (default\n"
        "$TMPDIR/quillmar-demo-site.pem); trust it with quillmar-search --cacert FILE.\n"
        "Stops on Ctrl-C or SIGTERM.");
    return;
  }
  std::puts(
      "usage: quillmar-demo-site [--port N]\n"
      "Serves a demo search site on 127.0.0.1 over plain HTTP (default port 8410):\n"
      "  /s/<keyword>/<page>/   result list (try 电影, movie, music)\n"
      "  /d/<id>.html           detail page with a magnet link\n"
      "This build has no HTTPS port (the Linux build serves one).\n"
      "Stops on Ctrl-C.");
}

// A port number in 0..65535, or -1.
int ParsePort(const std::string& text) {
  char* end = nullptr;
  const long value = std::strtol(text.c_str(), &end, 10);
  if (text.empty() || *end != '\0' || value < 0 || value > 65535) return -1;
  return static_cast<int>(value);
}

std::string DefaultCertFile() {
  const char* tmp = std::getenv("TMPDIR");
  return std::string(tmp != nullptr && *tmp ? tmp : "/tmp") + "/quillmar-demo-site.pem";
}

}  // namespace

int main(int argc, char** argv) {
  quillmar::UseUtf8Console();
  const std::vector<std::string> args = quillmar::Utf8ProgramArguments(argc, argv);
  const bool httpsBuiltIn = quillmar::DemoSite::HttpsBuiltIn();
  int port = kDefaultPort;
  int tlsPort = httpsBuiltIn ? kDefaultTlsPort : 0;
  std::string certFile = DefaultCertFile();
  for (size_t i = 1; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (arg == "--help" || arg == "-h") {
      PrintHelp();
      return 0;
    }
    const bool tls = arg == "--tls-port";
    if ((arg == "--port" || tls) && i + 1 < args.size()) {
      const int value = ParsePort(args[++i]);
      if (value < 0) {
        std::fprintf(stderr, "quillmar-demo-site: bad port: %s\n", args[i].c_str());
        return 2;
      }
      // Asked for a port this build cannot serve: saying nothing would look like it serves.
      if (tls && value != 0 && !httpsBuiltIn) {
        std::fprintf(stderr, "quillmar-demo-site: this build serves plain HTTP only (no --tls-port)\n");
        return 2;
      }
      (tls ? tlsPort : port) = value;
      continue;
    }
    if (arg == "--cert-file" && i + 1 < args.size()) {
      certFile = args[++i];
      continue;
    }
    std::fprintf(stderr, "quillmar-demo-site: unknown argument: %s (see --help)\n", arg.c_str());
    return 2;
  }

  // Before any thread starts: the servers' threads must not take the stop request.
  quillmar::StopRequest stop;

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
  stop.Wait();
  site.Stop();
  return 0;
}
