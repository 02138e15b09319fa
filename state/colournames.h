#pragma once

// Colour values and their names as settings.ini and the colour pickers use them.
// A colour is a 32-bit value: 0x00BBGGRR for an ordinary colour, 0xFF000000 + index for a
// system colour of the desktop, 0x1FFFFFFF for "no colour", 0x20000000 for "default".

#include <QList>
#include <QString>

struct NamedColour
{
    QString identifier;
    quint32 value;
};

/// The 52 identifiers in their fixed order.
const QList<NamedColour> &colourTable();
/// The 50 colours a picker offers: the table without "clDefault" and "clNone".
QList<NamedColour> pickerColours();
/// The identifier when the value has one, else "$" and eight upper-case hex digits.
QString colourToName(quint32 value);
/// An identifier (Latin letter case ignored) or an integer (decimal, or hex after "$").
/// Throws TarnError "'text' is not a valid integer value" for anything else.
quint32 colourFromName(const QString &text);
/// 0x00BBGGRR from red, green and blue.
constexpr quint32 colourFromRgb(int r, int g, int b)
{
    return quint32(r) | (quint32(g) << 8) | (quint32(b) << 16);
}
constexpr bool isSystemColour(quint32 value)
{
    return (value & 0xFF000000u) == 0xFF000000u;
}
