// In-process cost of one conversion of the largest program the loader takes:
// 199 records of 32 bytes, as the assembler writes them (CR LF, S9 at the end).
#include "conversion_run.hpp"
#include "format.hpp"
#include "test_support.hpp"

#include <benchmark/benchmark.h>

#include <sstream>
#include <string>

namespace {

std::string largest_program() {
  std::string text;
  for (int record = 0; record < MAX_DATA_LINES; ++record) {
    std::vector<std::uint8_t> data;
    for (int i = 0; i < VALUES_PER_RECORD; ++i) data.push_back(static_cast<std::uint8_t>(record * 7 + i * 13));
    text += s_record('1', static_cast<std::uint32_t>(0x37AC + record * VALUES_PER_RECORD), data) + "\r\n";
  }
  return text + "S90337AC19\r\n";
}

void convert_largest_program(benchmark::State& state) {
  const std::string input = largest_program();
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
