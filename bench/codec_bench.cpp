// Timing of the codec: one decoder iteration for the fast decoder and the
// straightforward reference, encode and load received, each per information
// symbol, with the built-in code and schedule on a block received after
// P0 = 0.25 with seed 123.
#include <benchmark/benchmark.h>

#include <time.h>

#include <algorithm>
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "bench_results.h"
#include "channel/qary_channel.h"
#include "codec/codec.h"
#include "codec/vector_votes.h"
#include "reference_decoder.h"

namespace vok::bench {
namespace {

// The thread's processor time: on a busy machine it still counts only the
// work of the code timed.
double threadSeconds() {
  timespec now{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
  return double(now.tv_sec) + double(now.tv_nsec) * 1e-9;
}

// Branches stored one after another, with pointers to each.
struct Branches {
  Branches(int count, std::int32_t length) : symbols(std::size_t{1} * count * length, 0) {
    for (int b = 0; b < count; ++b)
      pointers.push_back(symbols.data() + std::size_t{1} * b * length);
  }
  std::vector<std::int32_t> symbols;
  std::vector<std::int32_t*> pointers;
};

// A picture of N bytes encoded with the built-in code and sent through the
// channel as the experiment sends it: information branches, then check
// branches.
struct Setup {
  explicit Setup(std::int32_t symbolCount, float p0 = 0.25f)
      : codec(CodeDescription::builtIn(), DecoderSchedule::builtIn(), symbolCount),
        source(codec.nk(), codec.branchLength()),
        check(codec.nr(), codec.branchLength()),
        receivedInfo(codec.nk(), codec.branchLength()),
        receivedCheck(codec.nr(), codec.branchLength()) {
    codec.setQ(256);
    // A smooth picture: neighbouring bytes alike, as in a photograph.
    for (std::int32_t n = 0; n < symbolCount; ++n) {
      source.symbols[n] = static_cast<std::int32_t>((n / 3 % 1000 + n / 3000 + n % 3 * 40) % 256);
    }
    codec.encode(source.pointers.data(), check.pointers.data());
    QaryChannel channel;
    channel.setQ(256);
    channel.setP0(p0);
    channel.setSeed(123);
    channel.reseed();
    const std::int32_t length = codec.branchLength();
    for (int i = 0; i < codec.nk(); ++i) {
      channel.transmit(source.pointers[i], receivedInfo.pointers[i], length);
    }
    for (int j = 0; j < codec.nr(); ++j) {
      channel.transmit(check.pointers[j], receivedCheck.pointers[j], length);
    }
  }
  double informationSymbols() const { return double(codec.nk()) * codec.branchLength(); }

  Codec codec;
  Branches source, check, receivedInfo, receivedCheck;
};

Setup& setupFor(std::int32_t symbolCount) {
  static std::map<std::int32_t, std::unique_ptr<Setup>> setups;
  auto& setup = setups[symbolCount];
  if (!setup) setup = std::make_unique<Setup>(symbolCount);
  return *setup;
}

// The codec skips a pass it knows to correct nothing; a repeat must run.
void beforeRepeat(Codec& codec) { codec.forgetIdlePasses(); }
void beforeRepeat(test::ReferenceDecoder&) {}

// Times are the thread's processor time (manual time). Iteration k = 0 starts from a fresh load
// each time (untimed). Iteration k > 0 is prepared by iterations 0..k-1 (untimed): once and then
// repeated, where few symbols change, so that each repeat costs what a quiet pass costs; or, with
// `firstPass`, again from a fresh load before each repeat, which times the pass as a decoding meets
// it, with the corrections it makes.
template <typename Decoder>
void timeIteration(benchmark::State& state, Decoder& decoder, Setup& setup, int k, bool firstPass,
                   double& figure) {
  const auto load = [&] {
    decoder.loadReceived(setup.receivedInfo.pointers.data(), setup.receivedCheck.pointers.data());
  };
  const auto prepare = [&] {
    load();
    for (int before = 0; before < k; ++before) decoder.iterate(before);
  };
  prepare();
  double total = 0;
  bool prepared = true;
  for (auto _ : state) {
    if (k == 0 || (firstPass && !prepared)) prepare();
    prepared = false;
    beforeRepeat(decoder);
    const double start = threadSeconds();
    decoder.iterate(k);
    const double elapsed = threadSeconds() - start;
    state.SetIterationTime(elapsed);
    total += elapsed;
  }
  const double perSymbol = total * 1e9 / (double(state.iterations()) * setup.informationSymbols());
  // The quickest repetition: on a shared machine the others carry more of
  // its neighbours' work.
  figure = figure > 0 ? std::min(figure, perSymbol) : perSymbol;
  state.counters["ns_per_symbol"] = perSymbol;
  state.counters["N"] = double(setup.codec.branchLength()) * setup.codec.nk();
}

// The summary's figures for this case (arguments N, k and first pass).
DecoderFigures& figuresOf(const benchmark::State& state) {
  return decoderFigures()["N=" + std::to_string(state.range(0)) + " k=" +
                          std::to_string(state.range(1)) + (state.range(2) != 0 ? " first" : "")];
}

// The arguments of one decoder case.
struct DecoderCase {
  std::int32_t symbols;
  int k;
  bool firstPass;
};
DecoderCase caseOf(const benchmark::State& state) {
  return {static_cast<std::int32_t>(state.range(0)), static_cast<int>(state.range(1)),
          state.range(2) != 0};
}

void decoderIterationFast(benchmark::State& state) {
  const DecoderCase c = caseOf(state);
  Setup& setup = setupFor(c.symbols);
  timeIteration(state, setup.codec, setup, c.k, c.firstPass, figuresOf(state).fast);
}

// The fast decoder as it runs on processors without AVX-512 (32-lane AVX2
// blocks).
void decoderIterationWithoutAvx512(benchmark::State& state) {
  const DecoderCase c = caseOf(state);
  Setup& setup = setupFor(c.symbols);
  const bool saved = detail::avx512Enabled();
  detail::avx512Enabled() = false;
  timeIteration(state, setup.codec, setup, c.k, c.firstPass, figuresOf(state).withoutAvx512);
  detail::avx512Enabled() = saved;
}

void decoderIterationReference(benchmark::State& state) {
  const DecoderCase c = caseOf(state);
  Setup& setup = setupFor(c.symbols);
  test::ReferenceDecoder reference(setup.codec);
  timeIteration(state, reference, setup, c.k, c.firstPass, figuresOf(state).reference);
}

void decoderArguments(benchmark::internal::Benchmark* b) {
  for (std::int64_t n : {30000, 300000, 3000000}) {
    for (std::int64_t k : {0, 15}) b->Args({n, k, 0});
  }
  // Iteration 15 as a decoding meets it, after iterations 0 to 14.
  for (std::int64_t n : {300000, 3000000}) b->Args({n, 15, 1});
  b->ArgNames({"N", "k", "first"})
      ->UseManualTime()
      ->Unit(benchmark::kMillisecond)
      ->MinTime(0.5)
      ->Repetitions(kDecoderRepetitions)
      ->ComputeStatistics(
          "min", [](const std::vector<double>& v) { return *std::min_element(v.begin(), v.end()); })
      ->DisplayAggregatesOnly(true);
}

BENCHMARK(decoderIterationFast)->Name("decoder_iteration/fast")->Apply(decoderArguments);
BENCHMARK(decoderIterationWithoutAvx512)
    ->Name("decoder_iteration/without_avx512")
    ->Apply(decoderArguments);
BENCHMARK(decoderIterationReference)->Name("decoder_iteration/reference")->Apply(decoderArguments);

void encode(benchmark::State& state) {
  Setup& setup = setupFor(static_cast<std::int32_t>(state.range(0)));
  Branches check(setup.codec.nr(), setup.codec.branchLength());
  for (auto _ : state) {
    setup.codec.encode(setup.source.pointers.data(), check.pointers.data());
    benchmark::DoNotOptimize(check.symbols.data());
  }
  state.counters["ns_per_symbol"] = benchmark::Counter(
      setup.informationSymbols() * 1e-9,
      benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

void loadReceived(benchmark::State& state) {
  Setup& setup = setupFor(static_cast<std::int32_t>(state.range(0)));
  for (auto _ : state) {
    setup.codec.loadReceived(setup.receivedInfo.pointers.data(),
                             setup.receivedCheck.pointers.data());
    benchmark::DoNotOptimize(setup.codec.syndrome(0));
  }
  state.counters["ns_per_symbol"] = benchmark::Counter(
      setup.informationSymbols() * 1e-9,
      benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

BENCHMARK(encode)->Name("encode")->Arg(3000000)->ArgName("N")->Unit(benchmark::kMillisecond);
BENCHMARK(loadReceived)
    ->Name("load_received")
    ->Arg(3000000)
    ->ArgName("N")
    ->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace vok::bench
