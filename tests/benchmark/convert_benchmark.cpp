// In-process cost of one conversion of the largest program the loader takes:
// 199 records of 32 bytes, CR LF, with an end record.
#include "conversion_run.hpp"
#include "format.hpp"
#include "test_support.hpp"

#include <benchmark/benchmark.h>

#include <sstream>
#include <string>

namespace {

void convert_largest_program(benchmark::State& state) {
  const std::string input = full_records(MAX_DATA_LINES) + "S90337AC19\r\n";
  for (auto _ : state) {
    std::istringstream s_records(input);
    std::string loader;
    convert(s_records, loader);
    benchmark::DoNotOptimize(loader.size());
  }
  state.SetBytesProcessed(state.iterations() * static_cast<long long>(input.size()));
  state.counters["input_bytes"] = static_cast<double>(input.size());
  state.counters["ns_per_input_byte"] = benchmark::Counter(
      static_cast<double>(state.iterations() * input.size()),
      benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}
BENCHMARK(convert_largest_program)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
