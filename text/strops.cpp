#include "text/strops.h"

qsizetype posOf(QStringView needle, QStringView s)
{
    if (needle.isEmpty())
        return 0;
    return s.indexOf(needle, 0, Qt::CaseSensitive) + 1;
}

bool containsText(QStringView s, QStringView needle)
{
    return posOf(needle, s) > 0;
}

QString partFrom(const QString &s, qsizetype k)
{
    if (k < 1)
        return s;
    if (k > s.size())
        return QString();
    return s.mid(k - 1);
}

QString firstChars(const QString &s, qsizetype n)
{
    if (n <= 0)
        return QString();
    return s.left(n);
}

QString removeEvery(const QString &s, QStringView what)
{
    return replaceEvery(s, what, QStringView());
}

QString replaceEvery(const QString &s, QStringView what, QStringView with)
{
    if (what.isEmpty() || !s.contains(what))
        return s;
    QString result = s;
    result.replace(what.toString(), with.toString(), Qt::CaseSensitive);
    return result;
}

QStringView trimText(QStringView s)
{
    qsizetype begin = 0;
    qsizetype end = s.size();
    while (begin < end && s[begin].unicode() <= 0x20)
        ++begin;
    while (end > begin && s[end - 1].unicode() <= 0x20)
        --end;
    return s.sliced(begin, end - begin);
}

QString trimText(const QString &s)
{
    const QStringView trimmed = trimText(QStringView(s));
    if (trimmed.size() == s.size())
        return s;
    return trimmed.toString();
}

char16_t lowerChar(char16_t c)
{
    if (c < 0x80)
        return (c >= u'A' && c <= u'Z') ? char16_t(c + 32) : c;
    if (c >= 0x0410 && c <= 0x042F) // А..Я
        return char16_t(c + 32);
    if (c >= 0x0430 && c <= 0x045F) // а..я, ѐ..џ
        return c;
    if (c >= 0x0400 && c <= 0x040F) // Ѐ..Џ, Ё among them
        return char16_t(c + 80);
    return QChar::toLower(c);
}

QString lowerText(QStringView s)
{
    QString result(s.size(), Qt::Uninitialized);
    char16_t *out = reinterpret_cast<char16_t *>(result.data());
    const char16_t *in = s.utf16();
    for (qsizetype i = 0; i < s.size(); ++i)
        out[i] = lowerChar(in[i]);
    return result;
}

bool equalsIgnoringCase(QStringView a, QStringView b)
{
    if (a.size() != b.size())
        return false;
    for (qsizetype i = 0; i < a.size(); ++i) {
        if (lowerChar(a[i].unicode()) != lowerChar(b[i].unicode()))
            return false;
    }
    return true;
}

QString caseFoldKey(QStringView s)
{
    return lowerText(s);
}
