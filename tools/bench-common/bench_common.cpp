#include "bench_common.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>

namespace orvalto::bench {

StatusProbe::StatusProbe(quint16 port, std::string expected) : expected_(std::move(expected)) {
  thread_ = std::thread([this, port] { run(port); });
}

StatusProbe::~StatusProbe() { stop(); }

void StatusProbe::stop() {
  stop_ = true;
  if (thread_.joinable()) thread_.join();
}

void StatusProbe::run(quint16 port) {
  const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_port = htons(port);
  addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  if (::connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0) {
    ::close(fd);
    return;
  }
  const int one = 1;
  ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
  timeval timeout{2, 0};
  ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof timeout);
  char reply[64];
  while (!stop_) {
    const auto start = std::chrono::steady_clock::now();
    if (::send(fd, "[STATUS]", 8, 0) != 8) break;
    const ssize_t got = ::recv(fd, reply, sizeof reply, 0);
    const double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    if (got > 0 && std::string(reply, size_t(got)) == expected_) latencies_.push_back(ms);
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  ::close(fd);
}

double percentile(std::vector<double> v, double p) {
  if (v.empty()) return 0;
  std::sort(v.begin(), v.end());
  return v[std::min(v.size() - 1, size_t(p * double(v.size())))];
}

std::string latencySummary(const std::vector<double>& l) {
  char text[160];
  std::snprintf(text, sizeof text, "%zu answers, p50 %.2f ms, p99 %.2f ms, max %.2f ms", l.size(), percentile(l, 0.5),
                percentile(l, 0.99), percentile(l, 1.0));
  return text;
}

}  // namespace orvalto::bench
