#pragma once

// Command packets: batches of game commands, one per line, built from the item list or from
// the lore view, and the exact text they put on the clipboard.

#include <QString>
#include <QStringList>
#include <QStringView>

/// The name form of an entry in "Пакетные" and "Сорт": the "[" tail and then the "<" tail cut
/// off together with the one character before each, every space turned into ".". Nothing is
/// trimmed, so «меч  [3]» gives «меч.».
QString PacketItemName(const QString &entry);

/// "Пакетные": prefix, " " (or " все." when addAll), the entry's name, then " " and the
/// postfix when the postfix is not empty. Empty entries are skipped.
QStringList buildPrefixPacket(const QStringList &entries, const QString &prefix, bool addAll,
                              const QString &postfix);
/// "Пакетные - Биржа": the operation, " ", the lot number (what stands before the first "." of
/// a numbered entry, every "*" removed), then " " and the postfix when it is not empty.
/// Entries without "." are skipped.
QStringList buildExchangePacket(const QStringList &entries, const QString &operation,
                                const QString &postfix);
/// "Сорт": for every non-empty entry, last one first, a take line "кзаб :" and a deposit line
/// "ксдать :", each followed by the department, " все." and the entry's name.
QStringList buildSortPacket(const QStringList &entries, const QString &department);
/// A lore quote: every non-empty lore line, unchanged, behind the command word and one space.
QStringList buildLoreQuotePacket(const QStringList &loreLines, QStringView commandWord);

/// What a packet puts on the clipboard: every line followed by CR LF, then one more CR LF.
QString packetClipboardText(const QStringList &lines);

/// The command words of the five lore quote buttons, "гг", "сг", "г", "кг", "болт".
namespace LoreQuoteWord {
inline constexpr QStringView Gg = u"гг";     ///< Button10
inline constexpr QStringView Sg = u"сг";     ///< Button11
inline constexpr QStringView G = u"г";       ///< Button12
inline constexpr QStringView Kg = u"кг";     ///< Button13
inline constexpr QStringView Bolt = u"болт"; ///< Button14
} // namespace LoreQuoteWord

/// The preset items of the packet fields.
QStringList packetPrefixPresets();      ///< ComboBox1: the 13 prefixes, "би ав" first
QStringList packetPostfixPresets();     ///< ComboBox3: "5000", ";"
QStringList exchangeOperationPresets(); ///< ComboBox2: "биржа инф" .. "биржа снять"
QStringList exchangePostfixPresets();   ///< ComboBox4: ";"
