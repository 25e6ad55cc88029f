// Lyric extraction on a realistic update, and settings-file reads that go to
// the disk every time (the settings are never cached).

#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <filesystem>

#include "SampleNowPlaying.h"
#include "foundation/DeviceRoot.h"
#include "foundation/Text.h"
#include "lyric/LyricManager.h"
#include "media/AudioSession.h"
#include "settings/MMLocalSettingManager.h"
#include "settings/SettingKeys.h"

namespace {

const foundation::Value& sampleUpdate() {
  static const foundation::Value update(foundation::Dictionary{
      {"lyric", tool::kSampleNowPlaying}, {"bundleId", tool::kSampleBundleId}});
  return update;
}

// The whole of dicToLyric on the ~1.5 KB NetEase sample, wired (line in the
// album title).
void BM_DicToLyricNetEase(benchmark::State& state) {
  media::AudioSession::sharedInstance().setCurrentOutput(state.range(0) ? "AirPlay" : "");
  LyricManager& manager = LyricManager::shareManager();
  for (auto _ : state) {
    benchmark::DoNotOptimize(manager.dicToLyric(sampleUpdate()));
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * tool::kSampleNowPlaying.size()));
  media::AudioSession::sharedInstance().setCurrentOutput("");
}
BENCHMARK(BM_DicToLyricNetEase)->Arg(0)->Arg(1)->ArgName("wireless");

void BM_GetSongNameNetEase(benchmark::State& state) {
  LyricManager& manager = LyricManager::shareManager();
  manager.dicToLyric(sampleUpdate());
  for (auto _ : state) benchmark::DoNotOptimize(manager.getSongName());
}
BENCHMARK(BM_GetSongNameNetEase);

// The split alone, for comparison with the whole extraction.
void BM_SplitSampleAtSemicolons(benchmark::State& state) {
  for (auto _ : state) benchmark::DoNotOptimize(foundation::split(tool::kSampleNowPlaying, ";"));
}
BENCHMARK(BM_SplitSampleAtSemicolons);

// getValueForKey re-reading a three-key settings file from disk each time.
void BM_GetValueForKeyFromDisk(benchmark::State& state) {
  std::string pattern = (std::filesystem::temp_directory_path() / "hv-bench-XXXXXX").string();
  if (::mkdtemp(pattern.data()) == nullptr) {
    state.SkipWithError("no temporary folder");
    return;
  }
  foundation::DeviceRoot::setRoot(pattern);
  MMLocalSettingManager& manager = MMLocalSettingManager::shared();
  manager.saveValue("1", SettingKey::ROWA_SWI);
  manager.saveValue("0", SettingKey::ROWB_SWI);
  manager.saveValue("PingFangSC-Regular", SettingKey::ROWC_FONTS);
  for (auto _ : state) benchmark::DoNotOptimize(manager.getValueForKey(SettingKey::ROWA_SWI));
  foundation::DeviceRoot::setRoot({});
  std::error_code ec;
  std::filesystem::remove_all(pattern, ec);
}
BENCHMARK(BM_GetValueForKeyFromDisk);

}  // namespace
