// Timing of the channel's transmit, per symbol: int32 symbols at P0 = 0.25
// and P0 = 1, and the byte symbols a sweep sends at P0 = 0.22.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <vector>

#include "channel/qary_channel.h"

namespace vok::bench {
namespace {

template <typename Symbol>
void channelTransmit(benchmark::State& state) {
  constexpr std::int32_t kCount = 3000000;
  const float p0 = static_cast<float>(state.range(0)) / 100.0f;
  std::vector<Symbol> source(kCount), received(kCount);
  for (std::int32_t n = 0; n < kCount; ++n) source[n] = static_cast<Symbol>(n % 256);
  QaryChannel channel;
  channel.setQ(256);
  channel.setP0(p0);
  channel.setSeed(123);
  channel.reseed();
  for (auto _ : state) {
    channel.transmit(source.data(), received.data(), kCount);
    benchmark::DoNotOptimize(received.data());
  }
  state.counters["ns_per_symbol"] = benchmark::Counter(
      kCount * 1e-9, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

BENCHMARK(channelTransmit<std::int32_t>)
    ->Name("channel_transmit")
    ->Arg(25)
    ->Arg(100)
    ->ArgName("P0_percent")
    ->Unit(benchmark::kMillisecond);
BENCHMARK(channelTransmit<std::uint8_t>)
    ->Name("channel_transmit_bytes")
    ->Arg(22)
    ->ArgName("P0_percent")
    ->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace vok::bench
