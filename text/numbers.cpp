#include "text/numbers.h"

#include "text/error.h"

std::optional<qint32> parseInteger(const QString &text)
{
    qsizetype i = 0;
    const qsizetype n = text.size();
    while (i < n && text[i] == u' ')
        ++i;
    bool negative = false;
    if (i < n && (text[i] == u'-' || text[i] == u'+')) {
        negative = text[i] == u'-';
        ++i;
    }
    if (i < n && text[i] == u'$') {
        ++i;
        if (i == n)
            return std::nullopt;
        // Read by value, as decimal is: leading zeros may make more than eight digits.
        quint64 value = 0;
        for (; i < n; ++i) {
            const char16_t c = text[i].unicode();
            const int digit = (c >= u'0' && c <= u'9') ? c - u'0'
                : (c >= u'a' && c <= u'f')             ? c - u'a' + 10
                : (c >= u'A' && c <= u'F')             ? c - u'A' + 10
                                                       : -1;
            if (digit < 0)
                return std::nullopt;
            value = value * 16 + quint64(digit);
            if (value > 0xFFFFFFFFu)
                return std::nullopt;
        }
        quint32 pattern = quint32(value);
        if (negative)
            pattern = 0u - pattern;
        return qint32(pattern);
    }
    if (i == n)
        return std::nullopt;
    qint64 value = 0;
    for (; i < n; ++i) {
        const char16_t c = text[i].unicode();
        if (c < u'0' || c > u'9')
            return std::nullopt;
        value = value * 10 + (c - u'0');
        if (value > qint64(1) << 31)
            return std::nullopt;
    }
    if (negative)
        value = -value;
    if (value > 0x7FFFFFFF || value < -qint64(0x80000000))
        return std::nullopt;
    return qint32(value);
}

qint32 toInteger(const QString &text)
{
    if (const auto value = parseInteger(text))
        return *value;
    throw TarnError(notValidIntegerMessage(text));
}
