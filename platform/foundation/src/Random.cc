#include "foundation/Random.h"

#include <sys/random.h>

#include <array>
#include <cerrno>
#include <cstddef>
#include <random>
#include <utility>

namespace foundation {
namespace {

std::function<std::uint32_t()>& substitute() {
  static std::function<std::uint32_t()> source;
  return source;
}

// Words are fetched from the kernel in blocks so that a burst of draws (a
// shatter asks for 300) costs one system call.
struct KernelPool {
  std::array<std::uint32_t, 64> words{};
  std::size_t next = words.size();

  std::uint32_t take() {
    if (next == words.size()) refill();
    return words[next++];
  }

  void refill() {
    auto* bytes = reinterpret_cast<unsigned char*>(words.data());
    std::size_t wanted = sizeof(words);
    std::size_t got = 0;
    while (got < wanted) {
      ssize_t n = ::getrandom(bytes + got, wanted - got, 0);
      if (n > 0) {
        got += static_cast<std::size_t>(n);
      } else if (n < 0 && errno != EINTR) {
        // No kernel generator (very old kernels): std::random_device reads
        // the same entropy through its own path.
        std::random_device device;
        for (auto& w : words) w = device();
        break;
      }
    }
    next = 0;
  }
};

}  // namespace

std::uint32_t randomUInt32() {
  if (auto& source = substitute()) return source();
  thread_local KernelPool pool;
  return pool.take();
}

void setRandomSource(std::function<std::uint32_t()> source) { substitute() = std::move(source); }

}  // namespace foundation
