// Preloaded (LD_PRELOAD) into a program under test. Each nanosleep the
// program begins is first written, as its length in milliseconds on a line
// of its own, to the file ORVALTO_SLEEP_PROBE names; then it is slept as
// asked. Without that variable the probe only passes the calls on.
#include <dlfcn.h>
#include <fcntl.h>
#include <time.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>

namespace {

using Nanosleep = int (*)(const timespec*, timespec*);

void note(const timespec* length) {
  const char* path = std::getenv("ORVALTO_SLEEP_PROBE");
  if (!path || !*path || !length) return;
  char line[32];
  const int size = std::snprintf(line, sizeof line, "%lld\n",
                                 static_cast<long long>(length->tv_sec) * 1000 + length->tv_nsec / 1000000);
  // One append per line: lines from several threads never mix.
  const int fd = ::open(path, O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0600);
  if (fd < 0) return;
  if (::write(fd, line, static_cast<size_t>(size)) < 0) {
    // Nothing to do: the test misses the note and fails on its deadline.
  }
  ::close(fd);
}

}  // namespace

extern "C" int nanosleep(const timespec* length, timespec* remaining) {
  static const auto next = reinterpret_cast<Nanosleep>(::dlsym(RTLD_NEXT, "nanosleep"));
  note(length);
  return next(length, remaining);
}
