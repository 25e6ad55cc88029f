#pragma once
// Reuse of large pixel buffers. A buffer of a few hundred kilobytes freshly
// obtained from the system faults its pages in one by one on first touch
// (several microseconds each on a virtual machine), and glibc hands such
// buffers back to the system when freed; a snapshot per shatter paid that
// for every page of every snapshot. Canvases take their buffers from here,
// and images taken from a canvas give theirs back when destroyed, so a
// steady stream of same-sized snapshots touches warm memory. The pool keeps
// a few buffers, bounded in bytes; small buffers are not pooled.

#include <cstddef>
#include <cstdint>
#include <vector>

namespace render {

enum class Contents { cleared, unspecified };

// A buffer of exactly `count` words; zero when `contents` says so.
std::vector<std::uint32_t> takePixels(std::size_t count, Contents contents);
// Keeps `pixels` for a later takePixels of the same size, or frees it.
// Usable as a quartz::Image recycler.
void givePixels(std::vector<std::uint32_t>&& pixels);
// Frees every pooled buffer (memory pressure).
void dropPooledPixels();

struct PixelPoolLimits {
  static constexpr std::size_t buffers = 4;
  static constexpr std::size_t bytes = 16u << 20;
  static constexpr std::size_t smallestWords = 16384;  // 64 KiB: malloc serves smaller ones well
};

}  // namespace render
