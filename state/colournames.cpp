#include "state/colournames.h"

#include "text/error.h"
#include "text/numbers.h"

namespace {

constexpr quint32 kSystem = 0xFF000000u;

QList<NamedColour> buildTable()
{
    auto rgb = [](quint32 rrggbb) {
        return colourFromRgb(int((rrggbb >> 16) & 0xFF), int((rrggbb >> 8) & 0xFF),
                             int(rrggbb & 0xFF));
    };
    return {
        {QStringLiteral("clBlack"), rgb(0x000000)},
        {QStringLiteral("clMaroon"), rgb(0x800000)},
        {QStringLiteral("clGreen"), rgb(0x008000)},
        {QStringLiteral("clOlive"), rgb(0x808000)},
        {QStringLiteral("clNavy"), rgb(0x000080)},
        {QStringLiteral("clPurple"), rgb(0x800080)},
        {QStringLiteral("clTeal"), rgb(0x008080)},
        {QStringLiteral("clGray"), rgb(0x808080)},
        {QStringLiteral("clSilver"), rgb(0xC0C0C0)},
        {QStringLiteral("clRed"), rgb(0xFF0000)},
        {QStringLiteral("clLime"), rgb(0x00FF00)},
        {QStringLiteral("clYellow"), rgb(0xFFFF00)},
        {QStringLiteral("clBlue"), rgb(0x0000FF)},
        {QStringLiteral("clFuchsia"), rgb(0xFF00FF)},
        {QStringLiteral("clAqua"), rgb(0x00FFFF)},
        {QStringLiteral("clWhite"), rgb(0xFFFFFF)},
        {QStringLiteral("clMoneyGreen"), rgb(0xC0DCC0)},
        {QStringLiteral("clSkyBlue"), rgb(0xA6CAF0)},
        {QStringLiteral("clCream"), rgb(0xFFFBF0)},
        {QStringLiteral("clMedGray"), rgb(0xA0A0A4)},
        {QStringLiteral("clActiveBorder"), kSystem + 10},
        {QStringLiteral("clActiveCaption"), kSystem + 2},
        {QStringLiteral("clAppWorkSpace"), kSystem + 12},
        {QStringLiteral("clBackground"), kSystem + 1},
        {QStringLiteral("clBtnFace"), kSystem + 15},
        {QStringLiteral("clBtnHighlight"), kSystem + 20},
        {QStringLiteral("clBtnShadow"), kSystem + 16},
        {QStringLiteral("clBtnText"), kSystem + 18},
        {QStringLiteral("clCaptionText"), kSystem + 9},
        {QStringLiteral("clDefault"), 0x20000000u},
        {QStringLiteral("clGradientActiveCaption"), kSystem + 27},
        {QStringLiteral("clGradientInactiveCaption"), kSystem + 28},
        {QStringLiteral("clGrayText"), kSystem + 17},
        {QStringLiteral("clHighlight"), kSystem + 13},
        {QStringLiteral("clHighlightText"), kSystem + 14},
        {QStringLiteral("clHotLight"), kSystem + 26},
        {QStringLiteral("clInactiveBorder"), kSystem + 11},
        {QStringLiteral("clInactiveCaption"), kSystem + 3},
        {QStringLiteral("clInactiveCaptionText"), kSystem + 19},
        {QStringLiteral("clInfoBk"), kSystem + 24},
        {QStringLiteral("clInfoText"), kSystem + 23},
        {QStringLiteral("clMenu"), kSystem + 4},
        {QStringLiteral("clMenuBar"), kSystem + 30},
        {QStringLiteral("clMenuHighlight"), kSystem + 29},
        {QStringLiteral("clMenuText"), kSystem + 7},
        {QStringLiteral("clNone"), 0x1FFFFFFFu},
        {QStringLiteral("clScrollBar"), kSystem + 0},
        {QStringLiteral("cl3DDkShadow"), kSystem + 21},
        {QStringLiteral("cl3DLight"), kSystem + 22},
        {QStringLiteral("clWindow"), kSystem + 5},
        {QStringLiteral("clWindowFrame"), kSystem + 6},
        {QStringLiteral("clWindowText"), kSystem + 8},
    };
}

/// Identifiers are plain ASCII, so only the Latin letters A-Z and a-z match across case; a
/// wider Unicode folding would let "ſ" (long s) or the Kelvin sign pass for "s" and "k".
bool equalsIgnoringLatinCase(QStringView identifier, QStringView text)
{
    if (identifier.size() != text.size())
        return false;
    auto fold = [](char16_t c) { return (c >= u'A' && c <= u'Z') ? char16_t(c + 32) : c; };
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (fold(identifier[i].unicode()) != fold(text[i].unicode()))
            return false;
    }
    return true;
}

} // namespace

const QList<NamedColour> &colourTable()
{
    static const QList<NamedColour> table = buildTable();
    return table;
}

QList<NamedColour> pickerColours()
{
    QList<NamedColour> colours;
    for (const NamedColour &c : colourTable()) {
        if (c.identifier != QLatin1String("clDefault") && c.identifier != QLatin1String("clNone"))
            colours.append(c);
    }
    return colours;
}

QString colourToName(quint32 value)
{
    for (const NamedColour &c : colourTable()) {
        if (c.value == value)
            return c.identifier;
    }
    return QStringLiteral("$%1").arg(value, 8, 16, QLatin1Char('0')).toUpper();
}

quint32 colourFromName(const QString &text)
{
    for (const NamedColour &c : colourTable()) {
        if (equalsIgnoringLatinCase(c.identifier, text))
            return c.value;
    }
    return quint32(toInteger(text));
}
