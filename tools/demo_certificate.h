#pragma once
// A self-signed certificate for the demo site's HTTPS port, made when it starts: its own
// authority, valid for 127.0.0.1 and localhost, so a client can trust exactly this file.
#include <string>

namespace quillmar {

struct DemoCertificate {
  std::string certificatePem;
  std::string keyPem;
  bool Ok() const { return !certificatePem.empty() && !keyPem.empty(); }
};

// Empty on failure. Valid from a minute ago for 30 days.
DemoCertificate MakeDemoCertificate();

}  // namespace quillmar
