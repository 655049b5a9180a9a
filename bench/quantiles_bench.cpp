// Cost of one quantile call over the mix that the dialogue produces: alpha/2 and 1 - alpha/2 for
// alpha in 0.01, 0.05 and 0.10, with 1 to 1000 degrees of freedom.
#include <benchmark/benchmark.h>

#include <vector>

#include "quantiles/quantiles.hpp"

namespace {

struct Call {
  float p;
  int n;
};

std::vector<Call> realistic_mix() {
  std::vector<Call> calls;
  for (float alpha : {0.01f, 0.05f, 0.10f}) {
    const float lower_p = static_cast<float>(1.0 - static_cast<double>(alpha) / 2.0);
    const float upper_p = static_cast<float>(1.0 - static_cast<double>(lower_p));
    for (int n = 1; n <= 1000; ++n) {
      calls.push_back({lower_p, n});
      calls.push_back({upper_p, n});
    }
  }
  return calls;
}

void BM_ChiSquareQuantile(benchmark::State& state) {
  const std::vector<Call> calls = realistic_mix();
  for (auto _ : state) {
    for (const Call& c : calls) benchmark::DoNotOptimize(quiquadrado::chi_square_quantile(c.p, c.n));
  }
  state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(calls.size()));
}
BENCHMARK(BM_ChiSquareQuantile);

void BM_NormalQuantile(benchmark::State& state) {
  const std::vector<Call> calls = realistic_mix();
  for (auto _ : state) {
    for (const Call& c : calls) benchmark::DoNotOptimize(quiquadrado::normal_quantile(c.p));
  }
  state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(calls.size()));
}
BENCHMARK(BM_NormalQuantile);

}  // namespace
