#pragma once
// What the benchmarks share: the bare read that is the floor of every file read, and the way a
// figure is measured for the ratios main() prints.

#include <benchmark/benchmark.h>

// open + read to the end + close with plain system calls, into a fixed buffer.
void BareRead(const char* path);

// Five repetitions, reported as aggregates with their minimum: the machine may be shared, and
// the least disturbed repetition is the best figure for a ratio.
void Repeated(benchmark::internal::Benchmark* benchmark);
