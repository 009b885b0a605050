#pragma once
// One answer of the demo site, whatever protocol carries it.
#include <string>

namespace quillmar {

struct DemoResponse {
  int status = 200;
  std::string contentType = "text/html; charset=utf-8";
  std::string body;
};

}  // namespace quillmar
