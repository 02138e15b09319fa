// The library's work without the window: loading, one lore selection, the searches, the
// item table, the parser and the packet builders. ripgrep runs beside the searches as the
// reference for a whole-base search.

#include "benchdata.h"
#include "benchregistry.h"

#include "base/capturefile.h"
#include "base/combinedbase.h"
#include "base/lore.h"
#include "base/search.h"
#include "base/staffbase.h"
#include "list/itemtable.h"
#include "list/parser.h"
#include "packets/packets.h"
#include "text/textfile.h"

#include <QFile>
#include <QStringDecoder>
#include <QTemporaryDir>

#include <chrono>

#include <cerrno>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>

extern char **environ;

using namespace Qt::StringLiterals;

namespace bench {
namespace {

/// `rg -F -i -c phrase file` as a whole process, its output thrown away. Returns false when
/// ripgrep cannot be started.
bool runRipgrepCount(const QString &phrase, const QString &file)
{
    const QByteArray phraseBytes = phrase.toUtf8();
    const QByteArray fileBytes = QFile::encodeName(file);
    char rg[] = "rg";
    char fixed[] = "-F";
    char ignoreCase[] = "-i";
    char count[] = "-c";
    char *argv[] = {rg,
                    fixed,
                    ignoreCase,
                    count,
                    const_cast<char *>(phraseBytes.constData()),
                    const_cast<char *>(fileBytes.constData()),
                    nullptr};
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    pid_t pid = 0;
    const int spawned = posix_spawnp(&pid, "rg", &actions, nullptr, argv, environ);
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0)
        return false;
    int status = 0;
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {}
    // 0: lines found, 1: none found; anything else is a failure to run.
    return WIFEXITED(status) && WEXITSTATUS(status) <= 1;
}

/// Times making a result, not freeing it: each result is dropped outside the timed part, as a
/// load's result lives until the next load.
template<typename Make>
void timeMaking(benchmark::State &state, Make make)
{
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        auto result = make();
        state.SetIterationTime(
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
        benchmark::DoNotOptimize(result);
    }
}

void registerLoad(const SuiteConfig &config, int items)
{
    const QString n = QString::number(items);
    const auto addLoad = [&](const QString &name, auto body) {
        add(config, u"load/"_s + name + u'/' + n,
            [items, body](benchmark::State &state) {
                body(state, items);
                state.SetBytesProcessed(qint64(state.iterations()) * baseBytes(items).size());
            })
            ->UseManualTime()
            ->Unit(benchmark::kMillisecond);
    };
    addLoad(u"read_bytes"_s, [](benchmark::State &state, int items) {
        timeMaking(state, [items] { return readFileBytes(basePath(items)); });
    });
    // The reference: Qt's own decoder over the bytes in memory, as the text-file rule had it.
    addLoad(u"decode_qt"_s, [](benchmark::State &state, int items) {
        const QByteArray &bytes = baseBytes(items);
        timeMaking(state,
                   [&bytes]() -> QString { return QStringDecoder("windows-1251").decode(bytes); });
    });
    addLoad(u"decode"_s, [](benchmark::State &state, int items) {
        const QByteArray &bytes = baseBytes(items);
        timeMaking(state, [&bytes] { return decodeText(bytes); });
    });
    addLoad(u"read_decoded"_s, [](benchmark::State &state, int items) {
        timeMaking(state, [items] { return readDecodedFile(basePath(items)); });
    });
    addLoad(u"base_from_text"_s, [](benchmark::State &state, int items) {
        const QString text = decodeText(baseBytes(items)).text;
        timeMaking(state, [&text] { return staffBaseFromText(text); });
    });
    addLoad(u"scan_index"_s, [](benchmark::State &state, int items) {
        const StaffBase &base = loadedBase(items).lines;
        timeMaking(state, [&base] { return ScanItemIndex(base); });
    });
    addLoad(u"whole"_s, [](benchmark::State &state, int items) {
        baseBytes(items); // the file is in the page cache, as for the decoding
        timeMaking(state, [items] { return LoadStaffBase(basePath(items)); });
    });
}

void registerLore(const SuiteConfig &config, int items)
{
    add(config, u"lore/pure/"_s + QString::number(items), [items](benchmark::State &state) {
        const StaffBaseLoad &load = loadedBase(items);
        const QStringList keys = spreadNames(load.index, 64);
        qsizetype k = 0;
        for (auto _ : state) {
            const QStringList lines = CollectLoreLines(keys[k++ % keys.size()], load.lines);
            const QString lore = loreText(lines);
            benchmark::DoNotOptimize(SlotLabelFor(lore));
            benchmark::DoNotOptimize(
                ComputeLoreSpans(lore, lines.isEmpty() ? 0 : lines.first().size()));
        }
    });
}

void registerSearches(const SuiteConfig &config, int items)
{
    const QString n = QString::number(items);
    add(config, u"search/name/"_s + n, [items](benchmark::State &state) {
        const StaffBase &base = loadedBase(items).lines;
        qsizetype found = 0;
        for (auto _ : state)
            found = FindItemsByName(base, nameQuery).size();
        state.counters["found"] = double(found);
    });
    add(config, u"search/phrase/"_s + n, [items](benchmark::State &state) {
        const StaffBase &base = loadedBase(items).lines;
        qsizetype found = 0;
        for (auto _ : state)
            found = FindItemsByPhrase(base, searchPhrase, AllowedNames::everyName()).size();
        state.counters["found"] = double(found);
    });
    add(config, u"search/filter/"_s + n, [items](benchmark::State &state) {
        const StaffBaseLoad &load = loadedBase(items);
        const QStringList listed = spreadNames(load.index, listEntryCount);
        qsizetype found = 0;
        for (auto _ : state)
            found =
                FindItemsByPhrase(load.lines, searchPhrase, AllowedNames::fromNames(listed)).size();
        state.counters["found"] = double(found);
    });
    add(config, u"search/rg_phrase/"_s + n, [items](benchmark::State &state) {
        for (auto _ : state) {
            if (!runRipgrepCount(searchPhrase, utf8BasePath(items))) {
                state.SkipWithError("rg could not run");
                break;
            }
        }
    });
    add(config, u"search/rg_name/"_s + n, [items](benchmark::State &state) {
        for (auto _ : state) {
            if (!runRipgrepCount(nameQuery, utf8BasePath(items))) {
                state.SkipWithError("rg could not run");
                break;
            }
        }
    });
}

/// The item table, the parser and the packets, over the entries of the largest base.
void registerListWork(const SuiteConfig &config, int items)
{
    for (int count : {1000, listEntryCount}) {
        add(config, u"table/rebuild/"_s + QString::number(count),
            [items, count](benchmark::State &state) {
                const ItemIndex &index = loadedBase(items).index;
                const QStringList entries = listEntries(index, count);
                for (auto _ : state)
                    benchmark::DoNotOptimize(itemTableFor(entries, index));
            });
    }
    add(config, u"table/sort_level/5000"_s, [items](benchmark::State &state) {
        const ItemIndex &index = loadedBase(items).index;
        const QStringList entries = listEntries(index, listEntryCount);
        const ItemTable table = itemTableFor(entries, index);
        for (auto _ : state) {
            ItemTable sorted = table;
            benchmark::DoNotOptimize(SortTableByLevel(sorted, entries.size()));
        }
    });
    add(config, u"list/parse_paste/5000"_s, [items](benchmark::State &state) {
        const ItemIndex &index = loadedBase(items).index;
        const QStringList entries = listEntries(index, listEntryCount);
        const QStringList listed = spreadNames(index, listEntryCount);
        const QStringList paste = pastedLines(index, listEntryCount, listEntryCount);
        for (auto _ : state)
            benchmark::DoNotOptimize(parsePaste(paste, entries, listed));
    });

    const auto packet = [&config, items](const QString &name, auto build) {
        add(config, u"packet/"_s + name + u"/5000"_s, [items, build](benchmark::State &state) {
            const QStringList entries = listEntries(loadedBase(items).index, listEntryCount);
            for (auto _ : state)
                benchmark::DoNotOptimize(packetClipboardText(build(entries)));
        });
    };
    packet(u"prefix"_s, [](const QStringList &entries) {
        return buildPrefixPacket(entries, u"би ав"_s, true, u"5000"_s);
    });
    packet(u"exchange"_s, [](const QStringList &entries) {
        return buildExchangePacket(entries, u"биржа инф"_s, u";"_s);
    });
    packet(u"sort"_s,
           [](const QStringList &entries) { return buildSortPacket(entries, u"оружие"_s); });
    add(config, u"packet/lore_quote"_s, [items](benchmark::State &state) {
        const StaffBaseLoad &load = loadedBase(items);
        const QStringList lore = CollectLoreLines(load.index.name(load.index.size() / 2).toString(),
                                                  load.lines);
        for (auto _ : state)
            benchmark::DoNotOptimize(
                packetClipboardText(buildLoreQuotePacket(lore, LoreQuoteWord::Gg)));
    });
}

/// Items in the capture file of the capture benchmarks.
constexpr int capturedItemCount = 1000;

/// A capture file of `capturedItemCount` items of the base, each record with a line of its
/// own added, as a newer identification would differ.
QString captureFileOf(const StaffBaseLoad &load)
{
    QString text = newCaptureFileText();
    for (const QString &name : spreadNames(load.index, capturedItemCount, 7)) {
        QStringList lines = recordLinesNamed(load.lines, name);
        if (lines.isEmpty())
            continue;
        lines.append(u"заряды 1"_s);
        text += captureNodeText({name, lines});
    }
    return text;
}

/// «В базу» with the staff base loaded: from the command to the item being found. Each round
/// updates one item of a capture file of 1,000 (read, merged and written, atomically and
/// synced), reads the capture file into the combined base and looks the item up as the lore
/// view and the item table do. The staff base is never read again.
void registerCapture(const SuiteConfig &config, int items)
{
    const QString n = QString::number(items);
    add(config, u"capture/update_and_find/"_s + n, [items](benchmark::State &state) {
        const StaffBaseLoad &load = loadedBase(items);
        QTemporaryDir dir;
        const QString path = dir.filePath(captureFileName.toString());
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly)
            || file.write(encodeText(captureFileOf(load), TextEncoding::Ansi)) < 0) {
            state.SkipWithError("the capture file could not be written");
            return;
        }
        file.close();
        CombinedBase base;
        base.setStaffBase(load.lines, load.index);
        base.setCaptureText(readCaptureFileText(path));
        const QStringList names = spreadNames(load.index, capturedItemCount, 7);
        qsizetype round = 0;
        for (auto _ : state) {
            const QString &name = names.at(round % names.size());
            QStringList lines = recordLinesNamed(load.lines, name);
            lines.append(u"заряды %1"_s.arg(++round + 1));
            const CaptureResult result = captureRecord(path, {name, lines}, lines.mid(1));
            base.setCaptureText(result.fileText);
            const QStringList lore = CollectLoreLines(name, base);
            const qsizetype row = base.index().find(name);
            if (lore.size() != lines.size() || row < 0) {
                state.SkipWithError("the captured item was not found");
                break;
            }
            benchmark::DoNotOptimize(base.index().level(row));
        }
    })->Unit(benchmark::kMillisecond);
    add(config, u"capture/combine_and_find/"_s + n, [items](benchmark::State &state) {
        const StaffBaseLoad &load = loadedBase(items);
        const QString text = captureFileOf(load);
        const QString name = spreadNames(load.index, capturedItemCount, 7).constLast();
        CombinedBase base;
        base.setStaffBase(load.lines, load.index);
        for (auto _ : state) {
            base.setCaptureText(text);
            benchmark::DoNotOptimize(CollectLoreLines(name, base));
            benchmark::DoNotOptimize(base.index().find(name));
        }
    })->Unit(benchmark::kMillisecond);
}

} // namespace

void registerCoreBenchmarks(const SuiteConfig &config)
{
    for (int items : config.sizes)
        registerLoad(config, items);
    for (int items : config.sizes) {
        registerLore(config, items);
        registerSearches(config, items);
        registerCapture(config, items);
    }
    if (!config.sizes.isEmpty())
        registerListWork(config, config.sizes.last());
}

} // namespace bench
