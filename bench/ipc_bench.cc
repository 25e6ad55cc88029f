// One-way message latency through the message centre: a 2 KB user info from
// one bus connection to a handler on another, both serviced by one run loop,
// over a private dbus-daemon. Reports the median and 99th percentile.

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <memory>
#include <string>
#include <vector>

#include "PrivateBus.h"
#include "foundation/RunLoop.h"
#include "ipc/BusConnection.h"
#include "ipc/MessagingCenter.h"

namespace {

void BM_MessagingCenterOneWay2KB(benchmark::State& state) {
  testsupport::PrivateBus bus;
  if (!bus.ok()) {
    state.SkipWithError("dbus-daemon did not start");
    return;
  }
  foundation::RunLoop loop(std::make_shared<foundation::MonotonicClock>());
  auto serverBus = ipc::BusConnection::connect(bus.address(), loop);
  auto senderBus = ipc::BusConnection::connect(bus.address(), loop);
  if (!serverBus || !senderBus) {
    state.SkipWithError("cannot connect to the bus");
    return;
  }
  auto server = ipc::MessagingCenter::centerNamed("kXPCCenterNameKey_11292", serverBus);
  auto sender = ipc::MessagingCenter::centerNamed("kXPCCenterNameKey_11292", senderBus);
  if (!server->runServerOnCurrentThread().ok()) {
    state.SkipWithError("cannot serve the centre");
    return;
  }
  bool received = false;
  server->registerForMessageName("hoververseNoti", [&](const std::string&, const foundation::Dictionary&) {
    received = true;
    loop.stop();
  });
  const foundation::Dictionary info{{"lyric", foundation::Value(std::string(2000, 'x'))},
                                    {"bundleId", foundation::Value("com.netease.cloudmusic")}};
  std::vector<double> micros;
  for (auto _ : state) {
    received = false;
    const auto start = std::chrono::steady_clock::now();
    sender->sendMessageName("hoververseNoti", foundation::Value(info));
    while (!received) loop.runFor(1.0);
    micros.push_back(std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - start).count());
  }
  std::sort(micros.begin(), micros.end());
  if (!micros.empty()) {
    state.counters["p50_us"] = micros[micros.size() / 2];
    state.counters["p99_us"] = micros[std::min(micros.size() - 1, micros.size() * 99 / 100)];
  }
}
BENCHMARK(BM_MessagingCenterOneWay2KB)->Unit(benchmark::kMicrosecond)->UseRealTime();

}  // namespace
