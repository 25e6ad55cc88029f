// Memory of the text caches when the line height keeps changing (the height
// slider, each rotation): lines laid out, measured and outlined at 1,000
// different point sizes. Reported as counters, not times: growth of the
// heap in use and of resident memory over the run, and what the text caches
// hold at the end. The second case goes on with 2,000 sizes more in the
// same process: once the caches are full, memory should stop growing.
// Fonts are the pinned test fonts (run with HV_SOURCE_DIR set to the
// source tree when not run from the build directory).

#include <benchmark/benchmark.h>
#include <malloc.h>

#include <cstdio>
#include <string>

#include "../tests/support/TestFonts.h"
#include "CjkLine.h"
#include "text/TextCaches.h"
#include "text/TextLayout.h"

namespace {

// Resident set size in KiB, from /proc/self/statm.
double residentKiB() {
  long pages = 0, resident = 0;
  if (std::FILE* f = std::fopen("/proc/self/statm", "r")) {
    if (std::fscanf(f, "%ld %ld", &pages, &resident) != 2) resident = 0;
    std::fclose(f);
  }
  return static_cast<double>(resident) * 4096 / 1024;
}

double heapInUseKiB() { return static_cast<double>(mallinfo2().uordblks) / 1024; }

// One lyric line at `size`: measured, typeset and outlined, as the floating
// window does for a plain and an outlined line.
void layOut(unsigned i, double size) {
  const quartz::Font font = quartz::Font::fontWithName("PingFangSC-Regular", size);
  const std::string line = cjkLine(i % 20) + " Hold on to the light";
  benchmark::DoNotOptimize(text::sizeWithFont(line, font));
  benchmark::DoNotOptimize(text::typesetLine(line, font)->glyphPath().elements().size());
}

// Sizes from 10 pt up in steps of 0.07 pt, never repeating across runs.
void BM_LinesAtManySizes(benchmark::State& state) {
  static unsigned next = 0;
  const auto count = static_cast<unsigned>(state.range(0));
  layOut(0, 9);  // pango, fontconfig and the fonts loaded before measuring
  double heap0 = heapInUseKiB(), rss0 = residentKiB();
  for (auto _ : state) {
    for (unsigned k = 0; k < count; ++k, ++next) layOut(next, 10 + 0.07 * next);
  }
  state.counters["heap_growth_KiB"] = heapInUseKiB() - heap0;
  state.counters["rss_growth_KiB"] = residentKiB() - rss0;
  const text::TextCacheUsage usage = text::textCacheUsage();
  state.counters["layouts"] = static_cast<double>(usage.layouts);
  state.counters["faces"] = static_cast<double>(usage.faces);
  state.counters["font_sizes"] = static_cast<double>(usage.fontSizes);
  state.counters["outlines"] = static_cast<double>(usage.outlines);
  state.counters["outline_KiB"] = static_cast<double>(usage.outlineBytes) / 1024;
}
BENCHMARK(BM_LinesAtManySizes)->Arg(1000)->Arg(2000)->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace
