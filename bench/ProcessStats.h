#pragma once
// What a benchmark's child processes cost, read from /proc: CPU time and
// proportional set size.

#include <poll.h>
#include <time.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <system_error>
#include <thread>

namespace benchsupport {

// CPU time a process has used, in microseconds: the scheduler's running
// time of each of its threads, in nanoseconds (user and system time come in
// 10 ms ticks, too coarse for a tenth of a percent over 10 s); the ticks when
// the scheduler keeps no statistics.
inline double cpuMicros(pid_t pid) {
  const std::filesystem::path tasks = "/proc/" + std::to_string(pid) + "/task";
  std::error_code ec;
  double nanos = 0;
  bool any = false;
  for (const std::filesystem::directory_entry& task : std::filesystem::directory_iterator(tasks, ec)) {
    std::ifstream schedstat(task.path() / "schedstat");
    double running = 0;
    if (schedstat >> running) {
      nanos += running;
      any = true;
    }
  }
  if (any) return nanos / 1000;
  std::ifstream in("/proc/" + std::to_string(pid) + "/stat");
  std::string stat((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  const std::size_t close = stat.rfind(')');
  if (close == std::string::npos) return 0;
  std::istringstream fields(stat.substr(close + 2));
  std::string skip;
  for (int i = 0; i < 11; ++i) fields >> skip;  // state .. cmajflt
  double utime = 0, stime = 0;
  fields >> utime >> stime;
  return (utime + stime) * 1e6 / static_cast<double>(::sysconf(_SC_CLK_TCK));
}

// The process's proportional set size in KiB (its share of pages it
// shares with others); -1 when it cannot be read.
inline long pssKiB(pid_t pid) {
  std::ifstream in("/proc/" + std::to_string(pid) + "/smaps_rollup");
  std::string line;
  while (std::getline(in, line))
    if (line.rfind("Pss:", 0) == 0) return std::stol(line.substr(4));
  return -1;
}

// The calling thread's running time, in seconds.
inline double threadCpuSeconds() {
  timespec t{};
  ::clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) / 1e9;
}

// The share of a core a thread that only sleeps and wakes `hz` times a
// second costs on this machine: the floor under the figure of any process
// woken that often (a marquee's 100 steps a second), whatever it does.
inline double bareWakeupsPercent(int hz, double seconds) {
  double percent = 0;
  std::thread([&] {
    const auto cpuNanos = [] { return threadCpuSeconds() * 1e9; };
    const auto wallNanos = [] {
      timespec t{};
      ::clock_gettime(CLOCK_MONOTONIC, &t);
      return static_cast<double>(t.tv_sec) * 1e9 + static_cast<double>(t.tv_nsec);
    };
    const double cpu = cpuNanos(), wall = wallNanos();
    const int wakeups = static_cast<int>(hz * seconds);
    for (int i = 0; i < wakeups; ++i) ::poll(nullptr, 0, 1000 / hz);
    percent = 100 * (cpuNanos() - cpu) / (wallNanos() - wall);
  }).join();
  return percent;
}

}  // namespace benchsupport
