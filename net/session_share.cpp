#include "net/session_share.h"

#include <string>
#include <vector>

#include "net/curl_handles.h"

namespace quillmar {

void InitCurlOnce() {
  static std::once_flag once;
  std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

SessionShare& SessionShare::Instance() {
  static SessionShare share;
  return share;
}

SessionShare::SessionShare() : share_(MakeShare(true)), noCookies_(MakeShare(false)) {}

CURLSH* SessionShare::MakeShare(bool withCookies) {
  InitCurlOnce();
  CURLSH* share = curl_share_init();
  if (share == nullptr) return nullptr;
  curl_share_setopt(share, CURLSHOPT_LOCKFUNC, &Lock);
  curl_share_setopt(share, CURLSHOPT_UNLOCKFUNC, &Unlock);
  curl_share_setopt(share, CURLSHOPT_USERDATA, this);
  if (withCookies) curl_share_setopt(share, CURLSHOPT_SHARE, CURL_LOCK_DATA_COOKIE);
  curl_share_setopt(share, CURLSHOPT_SHARE, CURL_LOCK_DATA_DNS);
  curl_share_setopt(share, CURLSHOPT_SHARE, CURL_LOCK_DATA_SSL_SESSION);
  return share;
}

void SessionShare::Lock(CURL*, curl_lock_data data, curl_lock_access, void* self) {
  static_cast<SessionShare*>(self)->Mutex(data).lock();
}

void SessionShare::Unlock(CURL*, curl_lock_data data, void* self) {
  static_cast<SessionShare*>(self)->Mutex(data).unlock();
}

void SessionShare::TrimCookies() {
  if (share_ == nullptr) return;
  CurlEasy easy(curl_easy_init());
  if (!easy) return;
  curl_easy_setopt(easy.get(), CURLOPT_SHARE, share_);
  std::lock_guard lock(capMutex_);
  curl_slist* raw = nullptr;
  if (curl_easy_getinfo(easy.get(), CURLINFO_COOKIELIST, &raw) != CURLE_OK) return;
  CurlList list(raw);
  std::vector<std::string> lines;
  for (curl_slist* item = list.get(); item != nullptr; item = item->next) lines.emplace_back(item->data);
  std::optional<std::vector<std::string>> keep = cap_.Trim(lines);
  if (!keep) return;
  // The transport cannot drop one cookie: the store is refilled with the ones kept, oldest
  // first, so its own order stays the order they were set in.
  curl_easy_setopt(easy.get(), CURLOPT_COOKIELIST, "ALL");
  for (const std::string& line : *keep) curl_easy_setopt(easy.get(), CURLOPT_COOKIELIST, line.c_str());
}

std::vector<std::string> SessionShare::CookieNames() {
  std::vector<std::string> names;
  CurlEasy easy(share_ != nullptr ? curl_easy_init() : nullptr);
  if (!easy) return names;
  curl_easy_setopt(easy.get(), CURLOPT_SHARE, share_);
  curl_slist* raw = nullptr;
  if (curl_easy_getinfo(easy.get(), CURLINFO_COOKIELIST, &raw) != CURLE_OK) return names;
  CurlList list(raw);
  for (curl_slist* item = list.get(); item != nullptr; item = item->next) {
    std::string_view line(item->data);
    for (int field = 0; field < 5 && line.find('\t') != std::string_view::npos; ++field) {
      line.remove_prefix(line.find('\t') + 1);
    }
    names.emplace_back(line.substr(0, line.find('\t')));
  }
  return names;
}

void SessionShare::ClearCookies() {
  if (share_ == nullptr) return;
  CurlEasy easy(curl_easy_init());
  if (!easy) return;
  curl_easy_setopt(easy.get(), CURLOPT_SHARE, share_);
  std::lock_guard lock(capMutex_);
  curl_easy_setopt(easy.get(), CURLOPT_COOKIELIST, "ALL");
  cap_.Clear();
}

}  // namespace quillmar
