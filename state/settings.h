#pragma once

// settings.ini: what the user set up, one field per line, read at start and written at close.
//   0 staff base path      3 window top          6 exchange operation
//   1 window outer width   4 window left         7 background colour name  (both only when
//   2 window outer height  5 packet prefix       8 text colour name         not black)

#include <QRect>
#include <QSize>
#include <QString>
#include <QStringList>

#include <optional>

/// The background and text colour of the dark controls, as colour values.
struct ColourPair
{
    quint32 background = 0;
    quint32 text = 0;
    friend bool operator==(const ColourPair &, const ColourPair &) = default;
};

struct SettingsRecord
{
    QString basePath;
    int width = 0;
    int height = 0;
    int top = 0;
    int left = 0;
    QString prefix;
    QString exchangeOperation;
    /// Stored only when the background is not black.
    std::optional<ColourPair> colours;
    friend bool operator==(const SettingsRecord &, const SettingsRecord &) = default;
};

/// The fields in the order they are read; a bad line stops the reading at its field.
enum class SettingsField { BasePath, Width, Height, Top, Left, Prefix, ExchangeOperation, Colours };

/// The outcome of reading settings.ini: the fields read before a bad line are valid and are
/// applied, the ones from the bad line on are not.
struct SettingsRead
{
    SettingsRecord record;
    /// How many fields, in file order, came from the lines; all of them when `error` is empty.
    int fieldsRead = 0;
    /// "'text' is not a valid integer value" for the first bad number or colour line.
    QString error;
    /// Line 7's colour once it is read, also when line 8 then fails: a field read before the
    /// bad line keeps its value.
    std::optional<quint32> background;

    bool has(SettingsField field) const { return int(field) < fieldsRead; }
};

/// Reads the lines of settings.ini. A missing line reads as an empty text (so a missing number
/// is an error); the colours are read only when line 7 is not empty, and then line 8 must name
/// a colour too. Colour names ignore Latin letter case; numbers are decimal or "$" hex.
SettingsRead readSettings(const QStringList &lines);
/// The lines of settings.ini: 7, or 9 when a colour pair is set and its background is not
/// black. Line breaks inside the text fields are dropped so that every field stays on its line.
QStringList settingsLines(const SettingsRecord &record);

/// The window's outer rectangle in screen pixels, frame included.
struct WindowBounds
{
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;
    friend bool operator==(const WindowBounds &, const WindowBounds &) = default;
};

/// Restored bounds made safe for the desktop at hand (`desktop`: all screens together). The
/// size is kept between `minimum` and the desktop's size, as the desktop itself limits a
/// window, so a huge saved number cannot ask for a window of gigabytes. A window partly off
/// the desktop keeps its place; one with no part on it would be out of reach and goes to the
/// desktop's top-left corner.
WindowBounds fitWindowToDesktop(WindowBounds wanted, const QRect &desktop, const QSize &minimum);
