// The command packet builders and their clipboard text over arbitrary entries and fields.

#include "fuzzinput.h"

#include "packets/packets.h"

#include <algorithm>

using namespace Qt::StringLiterals;

namespace {

qsizetype nonEmptyCount(const QStringList &lines)
{
    return std::count_if(lines.cbegin(), lines.cend(),
                         [](const QString &s) { return !s.isEmpty(); });
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    FuzzInput input(data, size);
    const bool addAll = input.takeBool();
    const QStringList parts = takeParts(input.restText(), 5);
    const QString &prefix = parts[0];
    const QString &postfix = parts[1];
    const QString &operation = parts[2];
    const QString &department = parts[3];
    const QStringList entries = splitLines(parts[4]);
    const bool fieldsHoldBreak = std::any_of(
        parts.cbegin(), parts.cend() - 1,
        [](const QString &s) { return s.contains(u'\r') || s.contains(u'\n'); });

    for (const QString &entry : entries) {
        const QString name = PacketItemName(entry);
        FUZZ_CHECK(name.size() <= entry.size() && !name.contains(u' '));
    }

    const QString head = prefix + (addAll ? u" все."_s : u" "_s);
    const QString tail = postfix.isEmpty() ? QString() : u" "_s + postfix;
    const QStringList prefixed = buildPrefixPacket(entries, prefix, addAll, postfix);
    FUZZ_CHECK(prefixed.size() == nonEmptyCount(entries));
    for (const QString &line : prefixed)
        FUZZ_CHECK(line.startsWith(head) && line.endsWith(tail));

    const QStringList exchange = buildExchangePacket(entries, operation, postfix);
    FUZZ_CHECK(exchange.size()
               == std::count_if(entries.cbegin(), entries.cend(),
                                [](const QString &e) { return e.contains(u'.'); }));
    for (const QString &line : exchange)
        FUZZ_CHECK(line.startsWith(operation + u' ') && line.endsWith(tail));

    const QStringList sorted = buildSortPacket(entries, department);
    FUZZ_CHECK(sorted.size() == 2 * nonEmptyCount(entries));
    for (qsizetype i = 0; i + 1 < sorted.size(); i += 2) {
        FUZZ_CHECK(sorted[i].startsWith(u"кзаб :"_s + department + u" все."_s));
        FUZZ_CHECK(sorted[i + 1].startsWith(u"ксдать :"_s + department + u" все."_s));
    }

    const QStringList quoted = buildLoreQuotePacket(entries, LoreQuoteWord::Bolt);
    FUZZ_CHECK(quoted.size() == nonEmptyCount(entries));

    for (const QStringList *packet : {&prefixed, &exchange, &sorted, &quoted}) {
        const QString text = packetClipboardText(*packet);
        qsizetype expected = 2;
        for (const QString &line : *packet)
            expected += line.size() + 2;
        FUZZ_CHECK(text.size() == expected && text.endsWith(u"\r\n"_s));
        // One line per command and the empty line of the final CR LF, unless a field itself
        // held a line break.
        if (!fieldsHoldBreak)
            FUZZ_CHECK(splitLines(text) == *packet + QStringList{QString()});
    }
    return 0;
}
