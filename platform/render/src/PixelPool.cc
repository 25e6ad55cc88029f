#include "PixelPool.h"

#include <algorithm>
#include <mutex>
#include <utility>

namespace render {

namespace {

struct Pool {
  std::mutex mutex;
  std::vector<std::vector<std::uint32_t>> buffers;  // oldest first
  std::size_t bytes = 0;
};

// Never destroyed: images may be released during static destruction.
Pool& pool() {
  static Pool* p = new Pool();
  return *p;
}

std::size_t bytesOf(const std::vector<std::uint32_t>& v) { return v.size() * sizeof(std::uint32_t); }

}  // namespace

std::vector<std::uint32_t> takePixels(std::size_t count, Contents contents) {
  if (count >= PixelPoolLimits::smallestWords) {
    Pool& p = pool();
    std::unique_lock lock(p.mutex);
    auto it = std::find_if(p.buffers.rbegin(), p.buffers.rend(),
                           [count](const std::vector<std::uint32_t>& b) { return b.size() == count; });
    if (it != p.buffers.rend()) {
      std::vector<std::uint32_t> reused = std::move(*it);
      p.buffers.erase(std::next(it).base());
      p.bytes -= bytesOf(reused);
      lock.unlock();
      if (contents == Contents::cleared) std::fill(reused.begin(), reused.end(), 0u);
      return reused;
    }
  }
  return std::vector<std::uint32_t>(count);
}

void givePixels(std::vector<std::uint32_t>&& pixels) {
  std::vector<std::uint32_t> buffer = std::move(pixels);
  if (buffer.size() < PixelPoolLimits::smallestWords || bytesOf(buffer) > PixelPoolLimits::bytes) return;
  Pool& p = pool();
  std::vector<std::vector<std::uint32_t>> dropped;  // freed outside the lock
  std::lock_guard lock(p.mutex);
  p.bytes += bytesOf(buffer);
  p.buffers.push_back(std::move(buffer));
  while (p.buffers.size() > PixelPoolLimits::buffers || p.bytes > PixelPoolLimits::bytes) {
    p.bytes -= bytesOf(p.buffers.front());
    dropped.push_back(std::move(p.buffers.front()));
    p.buffers.erase(p.buffers.begin());
  }
}

void dropPooledPixels() {
  Pool& p = pool();
  std::vector<std::vector<std::uint32_t>> dropped;
  std::lock_guard lock(p.mutex);
  dropped.swap(p.buffers);
  p.bytes = 0;
}

}  // namespace render
