#pragma once
// Internal to the HTTP transports: how a refused or failed exchange is reported.

#include <string_view>

#include "net/http_request.h"

namespace quillmar {

// Sets the status's error and its one-line reason: the error's name, then the detail.
void FailRequest(HttpStatus* status, HttpError error, std::string_view detail);

}  // namespace quillmar
