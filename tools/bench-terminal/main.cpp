// orvalto-bench-terminal: connects many terminals, each from its own
// loopback address (the server tells workstations apart by address and
// answers "[STATUS]" to every connection of the asking one), and has each
// ask "[STATUS]" over and over. Prints the reply latency percentiles and the
// server's resident memory.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/epoll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

struct Options {
  std::string host = "127.0.0.1";
  int port = 5555;
  int terminals = 500;
  int seconds = 10;
  int intervalMs = 250;  // between a reply and the terminal's next question
  long pid = 0;          // the server, for its memory
};

const char* const kUsage =
    "usage: orvalto-bench-terminal [--host H] [--port N] [--terminals N] [--seconds N]\n"
    "                              [--interval-ms N] [--pid SERVER_PID]\n";

bool parse(int argc, char** argv, Options& o) {
  for (int i = 1; i < argc; i += 2) {
    if (i + 1 >= argc) return false;
    const std::string a = argv[i];
    const char* v = argv[i + 1];
    if (a == "--host")
      o.host = v;
    else if (a == "--port")
      o.port = std::atoi(v);
    else if (a == "--terminals")
      o.terminals = std::atoi(v);
    else if (a == "--seconds")
      o.seconds = std::atoi(v);
    else if (a == "--interval-ms")
      o.intervalMs = std::atoi(v);
    else if (a == "--pid")
      o.pid = std::atol(v);
    else
      return false;
  }
  return o.port > 0 && o.terminals > 0 && o.seconds > 0 && o.intervalMs >= 0;
}

struct Terminal {
  int fd = -1;
  Clock::time_point sentAt{};
  Clock::time_point nextAt{};
  bool waiting = false;
};

// 127.1.x.y: one address per workstation, all on loopback.
int connectFrom(int i, const Options& o) {
  const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
  if (fd < 0) return -1;
  sockaddr_in local{};
  local.sin_family = AF_INET;
  local.sin_addr.s_addr = htonl((127u << 24) | (1u << 16) | (unsigned(i / 250) << 8) | unsigned(i % 250 + 1));
  sockaddr_in server{};
  server.sin_family = AF_INET;
  server.sin_port = htons(static_cast<uint16_t>(o.port));
  ::inet_pton(AF_INET, o.host.c_str(), &server.sin_addr);
  const int one = 1;
  ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
  if (::bind(fd, reinterpret_cast<sockaddr*>(&local), sizeof local) != 0 ||
      ::connect(fd, reinterpret_cast<sockaddr*>(&server), sizeof server) != 0) {
    ::close(fd);
    return -1;
  }
  return fd;
}

std::string residentMemory(long pid) {
  std::ifstream status("/proc/" + std::to_string(pid) + "/status");
  std::string line;
  while (std::getline(status, line))
    if (line.rfind("VmRSS:", 0) == 0) {
      char text[32];
      std::snprintf(text, sizeof text, "%.1f MB", std::atof(line.c_str() + 6) / 1024.0);
      return text;
    }
  return "unknown";
}

class Load {
 public:
  explicit Load(const Options& o) : o_(o), terminals_(static_cast<std::size_t>(o.terminals)) {}
  ~Load() {
    for (auto& t : terminals_)
      if (t.fd >= 0) ::close(t.fd);
    if (epoll_ >= 0) ::close(epoll_);
  }

  bool connect() {
    epoll_ = ::epoll_create1(0);
    int connected = 0;
    for (int i = 0; i < o_.terminals; ++i) {
      Terminal& t = terminals_[static_cast<std::size_t>(i)];
      t.fd = connectFrom(i, o_);
      if (t.fd < 0) continue;
      ++connected;
      epoll_event e{};
      e.events = EPOLLIN;
      e.data.u32 = static_cast<uint32_t>(i);
      ::epoll_ctl(epoll_, EPOLL_CTL_ADD, t.fd, &e);
    }
    std::printf("connected: %d of %d terminals\n", connected, o_.terminals);
    return connected == o_.terminals;
  }

  void run() {
    const auto start = Clock::now();
    for (std::size_t i = 0; i < terminals_.size(); ++i)
      terminals_[i].nextAt = start + std::chrono::microseconds(i * 1000L * o_.intervalMs / terminals_.size());
    // The first second warms up and is not counted.
    runUntil(start + std::chrono::seconds(1));
    latenciesUs_.clear();
    const auto measured = Clock::now();
    runUntil(measured + std::chrono::seconds(o_.seconds));
    report(std::chrono::duration<double>(Clock::now() - measured).count());
  }

 private:
  void runUntil(Clock::time_point end) {
    epoll_event events[256];
    while (Clock::now() < end) {
      const auto next = sendDue();
      const auto waitMs = std::chrono::duration_cast<std::chrono::milliseconds>(std::min(next, end) - Clock::now());
      const int n = ::epoll_wait(epoll_, events, 256, static_cast<int>(std::max<long>(0, waitMs.count())));
      for (int k = 0; k < n; ++k) receive(terminals_[events[k].data.u32]);
    }
  }

  // Sends the questions that are due; returns when the next one is.
  Clock::time_point sendDue() {
    const auto now = Clock::now();
    auto next = now + std::chrono::seconds(1);
    for (Terminal& t : terminals_) {
      if (t.fd < 0 || t.waiting) continue;
      if (t.nextAt <= now) {
        t.sentAt = Clock::now();
        t.waiting = ::send(t.fd, "[STATUS]", 8, MSG_NOSIGNAL) == 8;
      } else {
        next = std::min(next, t.nextAt);
      }
    }
    return next;
  }

  void receive(Terminal& t) {
    char buffer[512];
    const ssize_t got = ::recv(t.fd, buffer, sizeof buffer, 0);
    if (got <= 0 || !t.waiting ||
        std::string(buffer, static_cast<std::size_t>(got)).find("[STATUS]:") == std::string::npos)
      return;
    const auto now = Clock::now();
    latenciesUs_.push_back(std::chrono::duration_cast<std::chrono::microseconds>(now - t.sentAt).count());
    t.waiting = false;
    t.nextAt = now + std::chrono::milliseconds(o_.intervalMs);
  }

  void report(double seconds) {
    std::sort(latenciesUs_.begin(), latenciesUs_.end());
    const auto quantile = [this](double q) {
      if (latenciesUs_.empty()) return 0.0;
      return latenciesUs_[static_cast<std::size_t>(q * double(latenciesUs_.size() - 1))] / 1000.0;
    };
    std::printf("replies: %zu in %.1f s (%.0f per second)\n", latenciesUs_.size(), seconds,
                double(latenciesUs_.size()) / seconds);
    std::printf("latency p50: %.2f ms  p99: %.2f ms  max: %.2f ms   (target p99 <= 20 ms)\n", quantile(0.5),
                quantile(0.99), latenciesUs_.empty() ? 0.0 : latenciesUs_.back() / 1000.0);
    std::printf("server VmRSS: %s   (target <= 64 MB)\n", o_.pid > 0 ? residentMemory(o_.pid).c_str() : "unknown");
  }

  Options o_;
  std::vector<Terminal> terminals_;
  std::vector<long> latenciesUs_;
  int epoll_ = -1;
};

}  // namespace

int main(int argc, char** argv) {
  Options o;
  if (!parse(argc, argv, o)) {
    std::fputs(kUsage, stderr);
    return 2;
  }
  Load load(o);
  if (!load.connect()) {
    std::fprintf(stderr, "not every terminal could connect\n");
    return 1;
  }
  load.run();
  return 0;
}
