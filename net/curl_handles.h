#pragma once
// Owners of libcurl handles, for the files of the HTTP client (no other part includes curl).
#include <curl/curl.h>

#include <memory>

namespace quillmar {

struct CurlEasyDeleter {
  void operator()(CURL* handle) const { curl_easy_cleanup(handle); }
};
struct CurlMultiDeleter {
  void operator()(CURLM* handle) const { curl_multi_cleanup(handle); }
};
struct CurlListDeleter {
  void operator()(curl_slist* list) const { curl_slist_free_all(list); }
};
using CurlEasy = std::unique_ptr<CURL, CurlEasyDeleter>;
using CurlMulti = std::unique_ptr<CURLM, CurlMultiDeleter>;
using CurlList = std::unique_ptr<curl_slist, CurlListDeleter>;

// curl_global_init, once per process, before the first handle.
void InitCurlOnce();

}  // namespace quillmar
