#include <openssl/evp.h>
#include <openssl/x509.h>

#include <gtest/gtest.h>

#include <memory>

#include "net/http_request.h"
#include "tests/net/loopback_servers.h"

namespace quillmar {
namespace {

struct KeyFree {
  void operator()(EVP_PKEY* key) const { EVP_PKEY_free(key); }
};
struct CertFree {
  void operator()(X509* cert) const { X509_free(cert); }
};

// A certificate for 127.0.0.1 that no authority signed.
struct SelfSigned {
  std::unique_ptr<EVP_PKEY, KeyFree> key{EVP_EC_gen("P-256")};
  std::unique_ptr<X509, CertFree> cert{X509_new()};

  SelfSigned() {
    X509* c = cert.get();
    ASN1_INTEGER_set(X509_get_serialNumber(c), 1);
    X509_gmtime_adj(X509_getm_notBefore(c), -60);
    X509_gmtime_adj(X509_getm_notAfter(c), 3600);
    X509_set_pubkey(c, key.get());
    X509_NAME* name = X509_get_subject_name(c);
    X509_NAME_add_entry_by_txt(name, "CN", MBSTRING_ASC, reinterpret_cast<const unsigned char*>("127.0.0.1"), -1, -1,
                               0);
    X509_set_issuer_name(c, name);
    X509_sign(c, key.get(), EVP_sha256());
  }
};

TEST(HttpRequest, HttpsCertificatesAreVerified) {
  SelfSigned identity;
  ASSERT_TRUE(identity.key && identity.cert);
  test::HttpTestServer server(std::make_unique<httplib::SSLServer>(identity.cert.get(), identity.key.get()));
  server.Routes().Get("/",
                      [](const httplib::Request&, httplib::Response& res) { res.set_content("secret", "text/plain"); });
  server.Start();
  HttpOptions options;
  options.connectTimeout = std::chrono::milliseconds(15000);
  options.stallTimeout = std::chrono::milliseconds(15000);
  HttpStatus status;
  std::string raw = "untouched";
  EXPECT_EQ(HttpRequest(server.Url("/"), 0, {}, nullptr, nullptr, nullptr, &raw, false, {}, {}, &status, options), "");
  EXPECT_EQ(status.error, HttpError::Tls) << status.reason;
  EXPECT_EQ(raw, "untouched");
}

}  // namespace
}  // namespace quillmar
