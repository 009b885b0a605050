// silent_dns_sandbox COMMAND...: runs COMMAND where name lookups go to a DNS server that reads
// every query and never answers. A private user, mount and network namespace hold a loopback
// interface of its own with that server on port 53 and a resolver configuration naming it.
// Exits with the command's status, or 77 when the namespaces cannot be made here.
#include <fcntl.h>
#include <net/if.h>
#include <netinet/in.h>
#include <poll.h>
#include <sched.h>
#include <sys/ioctl.h>
#include <sys/mount.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

constexpr int kCannot = 77;

bool WriteFile(const std::string& path, const std::string& text) {
  FILE* f = std::fopen(path.c_str(), "w");
  if (f == nullptr) return false;
  const bool ok = std::fwrite(text.data(), 1, text.size(), f) == text.size();
  return std::fclose(f) == 0 && ok;
}

bool LoopbackUp() {
  const int fd = ::socket(AF_INET, SOCK_DGRAM, 0);
  if (fd < 0) return false;
  ifreq req{};
  std::strncpy(req.ifr_name, "lo", IFNAMSIZ - 1);
  bool ok = ::ioctl(fd, SIOCGIFFLAGS, &req) == 0;
  req.ifr_flags = static_cast<short>(req.ifr_flags | IFF_UP);
  ok = ok && ::ioctl(fd, SIOCSIFFLAGS, &req) == 0;
  ::close(fd);
  return ok;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: silent_dns_sandbox COMMAND...\n");
    return 2;
  }
  const uid_t uid = ::getuid();
  const gid_t gid = ::getgid();
  char conf[] = "/tmp/quillmar_silent_dns_XXXXXX";
  const int confFd = ::mkstemp(conf);
  if (confFd < 0) return kCannot;
  ::close(confFd);
  // One attempt with a long wait: the lookup hangs far longer than any limit under test.
  if (!WriteFile(conf, "nameserver 127.0.0.1\noptions timeout:30 attempts:1\n")) return kCannot;
  if (::unshare(CLONE_NEWUSER | CLONE_NEWNS | CLONE_NEWNET) != 0) {
    ::unlink(conf);
    return kCannot;
  }
  const bool mapped = WriteFile("/proc/self/setgroups", "deny") &&
                      WriteFile("/proc/self/uid_map", "0 " + std::to_string(uid) + " 1") &&
                      WriteFile("/proc/self/gid_map", "0 " + std::to_string(gid) + " 1");
  const bool ready = mapped && LoopbackUp() && ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) == 0 &&
                     ::mount(conf, "/etc/resolv.conf", nullptr, MS_BIND, nullptr) == 0;
  ::unlink(conf);
  if (!ready) return kCannot;

  const int dns = ::socket(AF_INET, SOCK_DGRAM, 0);
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_port = htons(53);
  addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  if (dns < 0 || ::bind(dns, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0) return kCannot;

  const pid_t child = ::fork();
  if (child < 0) return kCannot;
  if (child == 0) {
    ::close(dns);
    ::execv(argv[1], argv + 1);
    std::perror("silent_dns_sandbox: exec");
    _exit(127);
  }
  int queries = 0;
  for (;;) {
    int status = 0;
    if (::waitpid(child, &status, WNOHANG) == child) {
      std::fprintf(stderr, "silent_dns_sandbox: %d quer%s left unanswered\n", queries, queries == 1 ? "y" : "ies");
      return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    }
    pollfd p{dns, POLLIN, 0};
    if (::poll(&p, 1, 20) > 0) {
      char buffer[1500];
      if (::recv(dns, buffer, sizeof buffer, 0) > 0) ++queries;  // read, never answered
    }
  }
}
