#pragma once

// What the benchmark programs on banks share: registering a benchmark that a
// store error skips with its message, and running the ones the command line
// selects.

#include "store/BankStore.h"

#include <QString>

#include <benchmark/benchmark.h>

#include <functional>
#include <utility>

// Registers `fn` as the benchmark `name`, reported in milliseconds; a store
// error skips it with its text. The caller says how it is timed.
inline benchmark::internal::Benchmark* addBankBenchmark(const QString& name,
                                                        std::function<void(benchmark::State&)> fn)
{
    return benchmark::RegisterBenchmark(name.toUtf8().constData(),
                                        [fn = std::move(fn)](benchmark::State& s) {
                                            try {
                                                fn(s);
                                            } catch (const StoreError& e) {
                                                s.SkipWithError(e.text.toUtf8().constData());
                                            }
                                        })
        ->Unit(benchmark::kMillisecond);
}

// Runs the benchmarks the command line selects; 2 for an option it does not know.
inline int runSelectedBenchmarks(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 2;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
