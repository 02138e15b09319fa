#pragma once

#include <benchmark/benchmark.h>

#include <QList>
#include <QString>

#include <functional>

namespace bench {

/// What the suite runs on: the base sizes present, and whether this is the smoke run (every
/// benchmark once, on the smallest base, so CI keeps them building and running).
struct SuiteConfig
{
    QList<int> sizes;
    bool smoke = false;
};

/// Registers one benchmark; in the smoke run it is fixed to a single iteration.
benchmark::internal::Benchmark *add(const SuiteConfig &config, const QString &name,
                                    std::function<void(benchmark::State &)> body);

void registerCoreBenchmarks(const SuiteConfig &config);
void registerWindowBenchmarks(const SuiteConfig &config);
/// Closes the window the window benchmarks keep open; before the application object goes.
void releaseWindows();

} // namespace bench
