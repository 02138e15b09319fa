#pragma once

// The text operations the program's rules are written in. Positions are 1-based, 0 meaning
// "not found"; every comparison is case-sensitive and works on UTF-16 code units.

#include <QString>
#include <QStringView>

#include <array>

/// 1-based position of the first `needle` in `s`; 0 when absent or when `needle` is empty.
qsizetype posOf(QStringView needle, QStringView s);
/// 0-based index of the first `needle` in `s` at or after `from` (0 <= from <= s.size());
/// -1 when absent or when `needle` is empty. posOf's search, for stepping through a line.
qsizetype indexOfFrom(QStringView s, QStringView needle, qsizetype from = 0);
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

/// A view that compares and hashes as equalsIgnoringCase does: a hash key for case-insensitive
/// look-ups that needs no caseFoldKey copy. The viewed text must outlive the key.
struct CaseFoldedView
{
    QStringView text;

    friend bool operator==(CaseFoldedView a, CaseFoldedView b)
    {
        return equalsIgnoringCase(a.text, b.text);
    }
};
size_t qHash(CaseFoldedView key, size_t seed = 0) noexcept;

/// Finds where the lower case of a text holds a lower-cased needle, without lower-casing the
/// text: indexIn(text) == lowerText(text).indexOf(needle) for a needle that is not empty.
class CaseFoldedMatcher
{
public:
    /// `loweredNeedle` as lowerText gives it; an empty needle is found nowhere.
    explicit CaseFoldedMatcher(const QString &loweredNeedle);

    /// The first position >= from at which the lower case of `text` holds the needle; -1 when
    /// there is none.
    qsizetype indexIn(QStringView text, qsizetype from = 0) const;

private:
    /// The code units whose lower case is a given one, when there are at most four.
    struct Preimage
    {
        std::array<char16_t, 4> units{};
        int count = 0;
    };
    static Preimage preimageOf(char16_t lowered);
    qsizetype horspoolIndexIn(QStringView text, qsizetype from) const;
    qsizetype pairedIndexIn(QStringView text, qsizetype from) const;
    bool matchesAt(const char16_t *at) const;

    QString m_needle;
    std::array<qsizetype, 256> m_skip{}; ///< shift by the low byte of the window's last character
    Preimage m_first; ///< what the text may hold under the needle's first character
    Preimage m_last;  ///< ... and under its last
};

/// Finds a needle case-sensitively, eight places at a time: the first place at or after `from`
/// where `text` holds the needle, -1 when none; an empty needle is found nowhere. Faster than
/// QStringMatcher on the short lines of a base, where its skip table cannot skip far.
class ExactMatcher
{
public:
    explicit ExactMatcher(const QString &needle);
    qsizetype indexIn(QStringView text, qsizetype from = 0) const;

private:
    QString m_needle;
};
