#pragma once
// The platform's strong random source (arc4random): uniformly distributed
// 32-bit numbers from the kernel's generator, never seeded by the caller.
// Tests may substitute a fixed sequence; an empty source restores the
// kernel's.

#include <cstdint>
#include <functional>

namespace foundation {

std::uint32_t randomUInt32();

// Replaces the source for this process (tests); pass {} to restore.
void setRandomSource(std::function<std::uint32_t()> source);

}  // namespace foundation
