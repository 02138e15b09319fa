// The benchmark suite. Usage:
//   tarnbook_bench --bases=DIR [--sizes=1000,10000,100000] [--smoke] [Google Benchmark flags]
// DIR holds the bases made by gen_staffbase.py (staff-N.hjt and staff-N.utf8.txt); sizes
// without a base there are left out. --smoke runs every benchmark once on the smallest base.

#include "benchdata.h"
#include "benchregistry.h"

#include <QApplication>
#include <QDir>

#include <cstdio>
#include <cstring>
#include <vector>

using namespace Qt::StringLiterals;

namespace bench {

benchmark::internal::Benchmark *add(const SuiteConfig &config, const QString &name,
                                    std::function<void(benchmark::State &)> body)
{
    benchmark::internal::Benchmark *b = benchmark::RegisterBenchmark(
        name.toUtf8().constData(), [body](benchmark::State &state) { body(state); });
    if (config.smoke)
        b->Iterations(1);
    return b;
}

} // namespace bench

namespace {

bool takeOption(const char *arg, const char *name, QString *value)
{
    const size_t n = std::strlen(name);
    if (std::strncmp(arg, name, n) != 0 || arg[n] != '=')
        return false;
    *value = QString::fromLocal8Bit(arg + n + 1);
    return true;
}

QList<int> parseSizes(const QString &text)
{
    QList<int> sizes;
    for (const QString &part : text.split(u',', Qt::SkipEmptyParts))
        sizes.append(part.toInt());
    return sizes;
}

} // namespace

int main(int argc, char *argv[])
{
    QString basesDir = qEnvironmentVariable("TARNBOOK_BENCH_BASES", u"bench/cache"_s);
    QList<int> sizes = {1000, 10000, 100000};
    bool smoke = false;

    // Our options out, the rest for Google Benchmark and Qt.
    std::vector<char *> rest;
    for (int i = 0; i < argc; ++i) {
        QString value;
        if (takeOption(argv[i], "--bases", &value))
            basesDir = value;
        else if (takeOption(argv[i], "--sizes", &value))
            sizes = parseSizes(value);
        else if (std::strcmp(argv[i], "--smoke") == 0)
            smoke = true;
        else
            rest.push_back(argv[i]);
    }
    int restCount = int(rest.size());
    rest.push_back(nullptr);

    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(restCount, rest.data());

    bench::setBasesDir(QDir(basesDir).absolutePath());
    bench::SuiteConfig config;
    config.smoke = smoke;
    config.sizes = bench::availableSizes(sizes);
    if (smoke && !config.sizes.isEmpty())
        config.sizes = {config.sizes.first()};
    if (config.sizes.isEmpty()) {
        std::fprintf(stderr,
                     "No staff base staff-N.hjt in %s; make them with bench/gen_staffbase.py.\n",
                     qPrintable(bench::basesDir()));
        return 2;
    }

    benchmark::Initialize(&restCount, rest.data());
    if (benchmark::ReportUnrecognizedArguments(restCount, rest.data()))
        return 1;
    bench::registerCoreBenchmarks(config);
    bench::registerWindowBenchmarks(config);
    benchmark::RunSpecifiedBenchmarks();
    bench::releaseWindows();
    benchmark::Shutdown();
    return 0;
}
