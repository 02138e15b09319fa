#include "packets/packets.h"

#include "text/strops.h"

using namespace Qt::StringLiterals;

namespace {

/// Keeps the text before the first `bracket` less the one character in front of it.
QString cutTail(const QString &text, QStringView bracket)
{
    const qsizetype p = posOf(bracket, text);
    return p > 0 ? firstChars(text, p - 2) : text;
}

} // namespace

QString PacketItemName(const QString &entry)
{
    const QString withoutTails = cutTail(cutTail(entry, u"["), u"<");
    return replaceEvery(withoutTails, u" ", u".");
}

QStringList buildPrefixPacket(const QStringList &entries, const QString &prefix, bool addAll,
                              const QString &postfix)
{
    const QString head = prefix + (addAll ? u" все."_s : u" "_s);
    const QString tail = postfix.isEmpty() ? QString() : u" "_s + postfix;
    QStringList lines;
    lines.reserve(entries.size());
    for (const QString &entry : entries) {
        if (entry.isEmpty())
            continue;
        lines.append(head + PacketItemName(entry) + tail);
    }
    return lines;
}

QStringList buildExchangePacket(const QStringList &entries, const QString &operation,
                                const QString &postfix)
{
    const QString head = operation + u' ';
    const QString tail = postfix.isEmpty() ? QString() : u" "_s + postfix;
    QStringList lines;
    for (const QString &entry : entries) {
        const qsizetype dot = posOf(u".", entry);
        if (dot == 0)
            continue;
        const QString lot = removeEvery(firstChars(entry, dot - 1), u"*");
        lines.append(head + lot + tail);
    }
    return lines;
}

QStringList buildSortPacket(const QStringList &entries, const QString &department)
{
    const QString take = u"кзаб :"_s + department + u" все."_s;
    const QString deposit = u"ксдать :"_s + department + u" все."_s;
    QStringList lines;
    lines.reserve(entries.size() * 2);
    for (qsizetype i = entries.size() - 1; i >= 0; --i) {
        if (entries[i].isEmpty())
            continue;
        const QString name = PacketItemName(entries[i]);
        lines.append(take + name);
        lines.append(deposit + name);
    }
    return lines;
}

QStringList buildLoreQuotePacket(const QStringList &loreLines, QStringView commandWord)
{
    const QString head = commandWord.toString() + u' ';
    QStringList lines;
    for (const QString &line : loreLines) {
        if (!line.isEmpty())
            lines.append(head + line);
    }
    return lines;
}

QString packetClipboardText(const QStringList &lines)
{
    qsizetype size = 2;
    for (const QString &line : lines)
        size += line.size() + 2;
    QString text;
    text.reserve(size);
    for (const QString &line : lines) {
        text += line;
        text += u"\r\n";
    }
    text += u"\r\n";
    return text;
}

QStringList packetPrefixPresets()
{
    return {u"би ав"_s,
            u"би выст"_s,
            u"забрать"_s,
            u"кзабр"_s,
            u"дать"_s,
            u"переслать клан"_s,
            u"кпереслать"_s,
            u"переслать клан :реаг"_s,
            u"переслать клан :бирю"_s,
            u"переслать клан :симв"_s,
            u"сдать"_s,
            u"ксдать"_s,
            u"снять"_s};
}

QStringList packetPostfixPresets()
{
    return {u"5000"_s, u";"_s};
}

QStringList exchangeOperationPresets()
{
    return {u"биржа инф"_s, u"биржа хар"_s, u"биржа куп"_s, u"биржа цена"_s, u"биржа снять"_s};
}

QStringList exchangePostfixPresets()
{
    return {u";"_s};
}
