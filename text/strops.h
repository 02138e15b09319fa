#pragma once

// The text operations the program's rules are written in. Positions are 1-based, 0 meaning
// "not found"; every comparison is case-sensitive and works on UTF-16 code units.

#include <QString>
#include <QStringView>

/// 1-based position of the first `needle` in `s`; 0 when absent or when `needle` is empty.
qsizetype posOf(QStringView needle, QStringView s);
/// Case-sensitive substring test; an empty needle is contained in nothing.
bool containsText(QStringView s, QStringView needle);
/// The characters of `s` from 1-based position `k` to the end: all of `s` for k < 1,
/// empty for k beyond the end.
QString partFrom(const QString &s, qsizetype k);
/// The first `n` characters of `s`: empty for n <= 0, all of `s` when n exceeds its length.
QString firstChars(const QString &s, qsizetype n);
/// Every non-overlapping `what`, left to right, removed.
QString removeEvery(const QString &s, QStringView what);
/// Every non-overlapping `what`, left to right, replaced by `with`.
QString replaceEvery(const QString &s, QStringView what, QStringView with);
/// Every character up to U+0020 (blanks and control characters) removed from both ends.
/// Unlike QString::trimmed, which trims Unicode white space and keeps control characters.
QString trimText(const QString &s);
QStringView trimText(QStringView s);
/// Lower case as the user's locale has it, Cyrillic included. ASCII and the Russian
/// alphabet go through a table; other characters through QChar::toLower.
QString lowerText(QStringView s);
char16_t lowerChar(char16_t c);
/// Whole-text comparison ignoring letter case (the list's and ListedNames' look-ups).
bool equalsIgnoringCase(QStringView a, QStringView b);
/// The key under which equalsIgnoringCase texts collide: use it for hash sets that stand
/// in for a case-insensitive linear search.
QString caseFoldKey(QStringView s);
