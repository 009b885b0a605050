#include "net/url_resolve.h"

#include <optional>

namespace quillmar {

namespace {

struct UrlParts {
  std::optional<std::string> scheme;
  std::optional<std::string> authority;
  std::string path;
  std::optional<std::string> query;
  std::optional<std::string> fragment;
};

bool IsAlpha(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }

bool IsSchemeChar(char c) { return IsAlpha(c) || (c >= '0' && c <= '9') || c == '+' || c == '-' || c == '.'; }

UrlParts Split(std::string_view s) {
  UrlParts parts;
  size_t colon = s.find(':');
  if (colon != std::string_view::npos && colon > 0 && IsAlpha(s[0])) {
    bool valid = true;
    for (size_t i = 1; i < colon; ++i) valid = valid && IsSchemeChar(s[i]);
    if (valid) {
      parts.scheme = std::string(s.substr(0, colon));
      s.remove_prefix(colon + 1);
    }
  }
  if (size_t hash = s.find('#'); hash != std::string_view::npos) {
    parts.fragment = std::string(s.substr(hash + 1));
    s = s.substr(0, hash);
  }
  if (size_t question = s.find('?'); question != std::string_view::npos) {
    parts.query = std::string(s.substr(question + 1));
    s = s.substr(0, question);
  }
  if (s.starts_with("//")) {
    size_t slash = s.find('/', 2);
    parts.authority = std::string(s.substr(2, slash == std::string_view::npos ? slash : slash - 2));
    s = slash == std::string_view::npos ? std::string_view() : s.substr(slash);
  }
  parts.path = std::string(s);
  return parts;
}

std::string RemoveDotSegments(std::string_view in) {
  std::string out;
  while (!in.empty()) {
    if (in.starts_with("../")) {
      in.remove_prefix(3);
    } else if (in.starts_with("./")) {
      in.remove_prefix(2);
    } else if (in.starts_with("/./")) {
      in.remove_prefix(2);
    } else if (in == "/.") {
      in = "/";
    } else if (in.starts_with("/../") || in == "/..") {
      in = in.size() == 3 ? std::string_view("/") : in.substr(3);
      size_t last = out.rfind('/');
      out.erase(last == std::string::npos ? 0 : last);
    } else if (in == "." || in == "..") {
      in = {};
    } else {
      size_t next = in.find('/', in[0] == '/' ? 1 : 0);
      size_t take = next == std::string_view::npos ? in.size() : next;
      out.append(in.substr(0, take));
      in.remove_prefix(take);
    }
  }
  return out;
}

std::string Merge(const UrlParts& base, const std::string& path) {
  std::string merged;
  if (base.authority && base.path.empty()) {
    merged = "/";
  } else if (size_t slash = base.path.rfind('/'); slash != std::string::npos) {
    merged.assign(base.path, 0, slash + 1);
  }
  merged += path;
  return merged;
}

std::string Join(const UrlParts& p) {
  std::string out;
  if (p.scheme) out.append(*p.scheme).append(":");
  if (p.authority) out.append("//").append(*p.authority);
  out += p.path;
  if (p.query) out.append("?").append(*p.query);
  if (p.fragment) out.append("#").append(*p.fragment);
  return out;
}

std::string Clean(std::string_view s) {
  auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f'; };
  while (!s.empty() && blank(s.front())) s.remove_prefix(1);
  while (!s.empty() && blank(s.back())) s.remove_suffix(1);
  std::string out;
  static constexpr char kHex[] = "0123456789ABCDEF";
  for (char ch : s) {
    auto b = static_cast<unsigned char>(ch);
    if (b == '\t' || b == '\n' || b == '\r') continue;
    if (b <= 0x20 || b >= 0x7F) {
      out.push_back('%');
      out.push_back(kHex[b >> 4]);
      out.push_back(kHex[b & 0x0F]);
    } else {
      out.push_back(ch);
    }
  }
  return out;
}

}  // namespace

std::string ResolveUrl(std::string_view base, std::string_view link) {
  std::string baseText = Clean(base);
  if (baseText.find("://") == std::string::npos) baseText.insert(0, "http://");
  UrlParts b = Split(baseText);
  UrlParts r = Split(Clean(link));
  UrlParts t;
  if (r.scheme) {
    t = r;
    t.path = RemoveDotSegments(r.path);
  } else {
    t.scheme = b.scheme;
    if (r.authority) {
      t.authority = r.authority;
      t.path = RemoveDotSegments(r.path);
      t.query = r.query;
    } else {
      t.authority = b.authority;
      if (r.path.empty()) {
        t.path = b.path;
        t.query = r.query ? r.query : b.query;
      } else {
        t.path = RemoveDotSegments(r.path.front() == '/' ? r.path : Merge(b, r.path));
        t.query = r.query;
      }
    }
    t.fragment = r.fragment;
  }
  if (t.authority && t.path.empty()) t.path = "/";
  return Join(t);
}

}  // namespace quillmar
