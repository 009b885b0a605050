#include "tools/demo_tls_server.h"

// The HTTPS port where the build has no TLS library (Windows): it never starts, so the site
// stays on plain HTTP and says so rather than serving a port nobody can trust.
namespace quillmar {

struct DemoTlsServer::Context {};

DemoTlsServer::DemoTlsServer(Handler handler) : handler_(std::move(handler)) {}

DemoTlsServer::~DemoTlsServer() = default;

bool DemoTlsServer::BuiltIn() { return false; }

int DemoTlsServer::Start(int, const std::string&) { return -1; }

void DemoTlsServer::Stop() {}

}  // namespace quillmar
