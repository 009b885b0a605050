#include "tools/demo_tls_server.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <nghttp2/nghttp2.h>
#include <openssl/err.h>
#include <openssl/pem.h>
#include <openssl/ssl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <map>
#include <vector>

#include "tools/demo_certificate.h"

namespace quillmar {
namespace {

struct SslCtxFree {
  void operator()(SSL_CTX* ctx) const { SSL_CTX_free(ctx); }
};
struct SslFree {
  void operator()(SSL* ssl) const { SSL_free(ssl); }
};
struct BioFree {
  void operator()(BIO* bio) const { BIO_free(bio); }
};
struct CertFree {
  void operator()(X509* cert) const { X509_free(cert); }
};
struct KeyFree {
  void operator()(EVP_PKEY* key) const { EVP_PKEY_free(key); }
};
struct SessionFree {
  void operator()(nghttp2_session* session) const { nghttp2_session_del(session); }
};
struct CallbacksFree {
  void operator()(nghttp2_session_callbacks* callbacks) const { nghttp2_session_callbacks_del(callbacks); }
};

// Protocols offered in the handshake, the server's preference first.
constexpr unsigned char kAlpn[] = {2, 'h', '2', 8, 'h', 't', 't', 'p', '/', '1', '.', '1'};
constexpr std::size_t kMaxRequestHead = 64 * 1024;

int SelectProtocol(SSL*, const unsigned char** out, unsigned char* outLength, const unsigned char* offered,
                   unsigned int offeredLength, void*) {
  unsigned char* chosen = nullptr;
  if (SSL_select_next_proto(&chosen, outLength, kAlpn, sizeof kAlpn, offered, offeredLength) !=
      OPENSSL_NPN_NEGOTIATED) {
    return SSL_TLSEXT_ERR_NOACK;  // the client offered neither: HTTP/1.1 without a word
  }
  *out = chosen;
  return SSL_TLSEXT_ERR_OK;
}

bool WriteAll(SSL* ssl, std::string_view data) {
  while (!data.empty()) {
    const int n = SSL_write(ssl, data.data(), static_cast<int>(data.size()));
    if (n <= 0) return false;
    data.remove_prefix(static_cast<std::size_t>(n));
  }
  return true;
}

// HTTP/1.1 with keep-alive: GET requests one after another until the client closes.
void ServeHttp1(SSL* ssl, const DemoTlsServer::Handler& handler) {
  std::string buffer;
  std::array<char, 16384> chunk{};
  for (;;) {
    std::size_t end;
    while ((end = buffer.find("\r\n\r\n")) == std::string::npos) {
      if (buffer.size() > kMaxRequestHead) return;
      const int n = SSL_read(ssl, chunk.data(), static_cast<int>(chunk.size()));
      if (n <= 0) return;
      buffer.append(chunk.data(), static_cast<std::size_t>(n));
    }
    const std::string head = buffer.substr(0, end);
    buffer.erase(0, end + 4);
    const std::size_t firstSpace = head.find(' ');
    const std::size_t secondSpace = head.find(' ', firstSpace + 1);
    if (firstSpace == std::string::npos || secondSpace == std::string::npos) return;
    const std::string path = head.substr(firstSpace + 1, secondSpace - firstSpace - 1);
    const DemoResponse r = handler(path);
    const bool close = head.find("\r\nConnection: close") != std::string::npos;
    const std::string reply = "HTTP/1.1 " + std::to_string(r.status) + (r.status == 200 ? " OK" : " Not Found") +
                              "\r\nContent-Type: " + r.contentType +
                              "\r\nContent-Length: " + std::to_string(r.body.size()) +
                              (close ? "\r\nConnection: close" : "") + "\r\n\r\n" + r.body;
    if (!WriteAll(ssl, reply) || close) return;
  }
}

// HTTP/2: every stream a GET, answered as soon as its request is complete.
class Http2Connection {
 public:
  Http2Connection(SSL* ssl, const DemoTlsServer::Handler& handler) : ssl_(ssl), handler_(handler) {}

  void Run() {
    nghttp2_session_callbacks* raw = nullptr;
    if (nghttp2_session_callbacks_new(&raw) != 0) return;
    std::unique_ptr<nghttp2_session_callbacks, CallbacksFree> callbacks(raw);
    nghttp2_session_callbacks_set_send_callback(raw, &OnSend);
    nghttp2_session_callbacks_set_on_begin_headers_callback(raw, &OnBeginHeaders);
    nghttp2_session_callbacks_set_on_header_callback(raw, &OnHeader);
    nghttp2_session_callbacks_set_on_frame_recv_callback(raw, &OnFrame);
    nghttp2_session_callbacks_set_on_stream_close_callback(raw, &OnStreamClose);
    nghttp2_session* session = nullptr;
    if (nghttp2_session_server_new(&session, raw, this) != 0) return;
    std::unique_ptr<nghttp2_session, SessionFree> owner(session);
    const nghttp2_settings_entry settings[] = {{NGHTTP2_SETTINGS_MAX_CONCURRENT_STREAMS, 100}};
    if (nghttp2_submit_settings(session, NGHTTP2_FLAG_NONE, settings, 1) != 0) return;
    std::array<uint8_t, 16384> chunk{};
    for (;;) {
      if (nghttp2_session_send(session) != 0) return;
      if (nghttp2_session_want_read(session) == 0 && nghttp2_session_want_write(session) == 0) return;
      const int n = SSL_read(ssl_, chunk.data(), static_cast<int>(chunk.size()));
      if (n <= 0) return;
      if (nghttp2_session_mem_recv(session, chunk.data(), static_cast<std::size_t>(n)) < 0) return;
    }
  }

 private:
  struct Stream {
    std::string path;
    DemoResponse response;
    std::string status;
    std::string length;
    std::size_t sent = 0;
  };

  static Http2Connection& Self(void* user) { return *static_cast<Http2Connection*>(user); }

  static ssize_t OnSend(nghttp2_session*, const uint8_t* data, std::size_t length, int, void* user) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), length);
    return WriteAll(Self(user).ssl_, bytes) ? static_cast<ssize_t>(length) : ssize_t{NGHTTP2_ERR_CALLBACK_FAILURE};
  }
  static int OnBeginHeaders(nghttp2_session*, const nghttp2_frame* frame, void* user) {
    if (frame->hd.type == NGHTTP2_HEADERS && frame->headers.cat == NGHTTP2_HCAT_REQUEST) {
      Self(user).streams_[frame->hd.stream_id] = Stream{};
    }
    return 0;
  }
  static int OnHeader(nghttp2_session*, const nghttp2_frame* frame, const uint8_t* name, std::size_t nameLength,
                      const uint8_t* value, std::size_t valueLength, uint8_t, void* user) {
    auto it = Self(user).streams_.find(frame->hd.stream_id);
    if (it != Self(user).streams_.end() &&
        std::string_view(reinterpret_cast<const char*>(name), nameLength) == ":path") {
      it->second.path.assign(reinterpret_cast<const char*>(value), valueLength);
    }
    return 0;
  }
  static int OnFrame(nghttp2_session* session, const nghttp2_frame* frame, void* user) {
    const bool requestDone = (frame->hd.type == NGHTTP2_HEADERS || frame->hd.type == NGHTTP2_DATA) &&
                             (frame->hd.flags & NGHTTP2_FLAG_END_STREAM) != 0;
    if (!requestDone) return 0;
    auto it = Self(user).streams_.find(frame->hd.stream_id);
    if (it == Self(user).streams_.end()) return 0;
    Stream& stream = it->second;
    stream.response = Self(user).handler_(stream.path);
    stream.status = std::to_string(stream.response.status);
    stream.length = std::to_string(stream.response.body.size());
    auto header = [](const char* name, const std::string& value) {
      return nghttp2_nv{reinterpret_cast<uint8_t*>(const_cast<char*>(name)),
                        reinterpret_cast<uint8_t*>(const_cast<char*>(value.c_str())), std::strlen(name), value.size(),
                        NGHTTP2_NV_FLAG_NONE};
    };
    const nghttp2_nv headers[] = {header(":status", stream.status), header("content-type", stream.response.contentType),
                                  header("content-length", stream.length)};
    nghttp2_data_provider body{};
    body.source.ptr = &stream;
    body.read_callback = &ReadBody;
    return nghttp2_submit_response(session, frame->hd.stream_id, headers, 3, &body) == 0 ? 0
                                                                                         : NGHTTP2_ERR_CALLBACK_FAILURE;
  }
  static ssize_t ReadBody(nghttp2_session*, int32_t, uint8_t* buffer, std::size_t length, uint32_t* flags,
                          nghttp2_data_source* source, void*) {
    auto* stream = static_cast<Stream*>(source->ptr);
    const std::string& body = stream->response.body;
    const std::size_t n = std::min(length, body.size() - stream->sent);
    std::copy_n(body.data() + stream->sent, n, buffer);
    stream->sent += n;
    if (stream->sent == body.size()) *flags |= NGHTTP2_DATA_FLAG_EOF;
    return static_cast<ssize_t>(n);
  }
  static int OnStreamClose(nghttp2_session*, int32_t streamId, uint32_t, void* user) {
    Self(user).streams_.erase(streamId);
    return 0;
  }

  SSL* ssl_;
  const DemoTlsServer::Handler& handler_;
  std::map<int32_t, Stream> streams_;
};

}  // namespace

struct DemoTlsServer::Context {
  std::unique_ptr<SSL_CTX, SslCtxFree> ssl;
};

DemoTlsServer::DemoTlsServer(Handler handler) : handler_(std::move(handler)) {}

bool DemoTlsServer::BuiltIn() { return true; }

DemoTlsServer::~DemoTlsServer() { Stop(); }

int DemoTlsServer::Start(int port, const std::string& host) {
  const DemoCertificate identity = MakeDemoCertificate();
  if (!identity.Ok()) return -1;
  certificatePem_ = identity.certificatePem;
  context_ = std::make_unique<Context>();
  context_->ssl.reset(SSL_CTX_new(TLS_server_method()));
  std::unique_ptr<BIO, BioFree> certBio(
      BIO_new_mem_buf(identity.certificatePem.data(), static_cast<int>(identity.certificatePem.size())));
  std::unique_ptr<BIO, BioFree> keyBio(
      BIO_new_mem_buf(identity.keyPem.data(), static_cast<int>(identity.keyPem.size())));
  std::unique_ptr<X509, CertFree> cert(certBio ? PEM_read_bio_X509(certBio.get(), nullptr, nullptr, nullptr) : nullptr);
  std::unique_ptr<EVP_PKEY, KeyFree> key(keyBio ? PEM_read_bio_PrivateKey(keyBio.get(), nullptr, nullptr, nullptr)
                                                : nullptr);
  SSL_CTX* ctx = context_->ssl.get();
  if (ctx == nullptr || !cert || !key || SSL_CTX_use_certificate(ctx, cert.get()) != 1 ||
      SSL_CTX_use_PrivateKey(ctx, key.get()) != 1) {
    return -1;
  }
  SSL_CTX_set_min_proto_version(ctx, TLS1_2_VERSION);
  SSL_CTX_set_alpn_select_cb(ctx, &SelectProtocol, nullptr);

  listener_ = ::socket(AF_INET, SOCK_STREAM, 0);
  const int yes = 1;
  ::setsockopt(listener_, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_port = htons(static_cast<uint16_t>(port));
  if (listener_ < 0 || ::inet_pton(AF_INET, host.c_str(), &addr.sin_addr) != 1 ||
      ::bind(listener_, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 || ::listen(listener_, 64) != 0) {
    if (listener_ >= 0) ::close(listener_);
    listener_ = -1;
    return -1;
  }
  socklen_t length = sizeof addr;
  ::getsockname(listener_, reinterpret_cast<sockaddr*>(&addr), &length);
  stopping_ = false;
  acceptThread_ = std::thread([this] { AcceptLoop(); });
  return ntohs(addr.sin_port);
}

void DemoTlsServer::AcceptLoop() {
  for (;;) {
    const int fd = ::accept(listener_, nullptr, nullptr);
    if (fd < 0 || stopping_) {
      if (fd >= 0) ::close(fd);
      return;
    }
    const int yes = 1;
    ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &yes, sizeof yes);
    ReapFinished();
    std::lock_guard lock(mutex_);
    Connection& connection = connections_.emplace_back();
    connection.fd = fd;
    connection.thread = std::thread([this, &connection] { Serve(connection); });
  }
}

void DemoTlsServer::Serve(Connection& connection) {
  std::unique_ptr<SSL, SslFree> ssl(SSL_new(context_->ssl.get()));
  if (ssl && SSL_set_fd(ssl.get(), connection.fd) == 1 && SSL_accept(ssl.get()) == 1) {
    const unsigned char* protocol = nullptr;
    unsigned int length = 0;
    SSL_get0_alpn_selected(ssl.get(), &protocol, &length);
    if (length == 2 && protocol[0] == 'h' && protocol[1] == '2') {
      Http2Connection(ssl.get(), handler_).Run();
    } else {
      ServeHttp1(ssl.get(), handler_);
    }
    SSL_shutdown(ssl.get());
  }
  ERR_clear_error();
  connection.done = true;
}

void DemoTlsServer::ReapFinished() {
  std::list<Connection> finished;
  {
    std::lock_guard lock(mutex_);
    for (auto it = connections_.begin(); it != connections_.end();) {
      auto next = std::next(it);
      if (it->done) finished.splice(finished.end(), connections_, it);
      it = next;
    }
  }
  for (Connection& c : finished) {
    c.thread.join();
    ::close(c.fd);
  }
}

void DemoTlsServer::Stop() {
  if (!acceptThread_.joinable()) return;
  stopping_ = true;
  ::shutdown(listener_, SHUT_RDWR);
  acceptThread_.join();
  ::close(listener_);
  listener_ = -1;
  std::list<Connection> all;
  {
    std::lock_guard lock(mutex_);
    all.swap(connections_);
  }
  for (Connection& c : all) ::shutdown(c.fd, SHUT_RDWR);  // ends the reads they wait in
  for (Connection& c : all) {
    c.thread.join();
    ::close(c.fd);
  }
}

}  // namespace quillmar
