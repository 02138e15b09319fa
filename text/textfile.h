#pragma once

// The text-file rule: how every file of the program (staff base, settings, lists) is read
// and written.

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

/// The encoding a list of lines was read with, remembered so it is written back the same way.
enum class TextEncoding {
    Ansi,    ///< the ANSI code page, no mark (Windows-1251 outside Windows)
    Utf8,    ///< UTF-8 without a mark: a markless file whose bytes were valid UTF-8
    Utf8Bom, ///< UTF-8 with its byte-order mark
    Utf16LeBom,
    Utf16BeBom,
};

struct DecodedText
{
    QString text;
    TextEncoding encoding = TextEncoding::Ansi;
};

/// One line of a text: where it starts and how long it is, its break excluded.
struct LineRange
{
    qsizetype start = 0;
    qsizetype length = 0;
};

struct TextFileLines
{
    QStringList lines;
    TextEncoding encoding = TextEncoding::Ansi;
};

/// A byte-order mark selects its encoding and is dropped. Without one, bytes that are valid
/// UTF-8 and hold at least one non-ASCII character are UTF-8; anything else is ANSI.
DecodedText decodeText(const QByteArray &bytes);
/// Lines end at CR LF, lone LF or lone CR; a final break adds no line; empty text, no lines.
QList<LineRange> lineRanges(QStringView text);
QStringList splitLines(QStringView text);
/// As above; a text of one line becomes that line without a copy of its characters.
QStringList splitLines(QString &&text);

/// The bytes of `lines`, each followed by CR LF, in `encoding` with its mark. Text the
/// encoding cannot represent, or whose bytes would read back as other text, makes the whole
/// file UTF-8 with a mark instead, so that saving never changes an entry; `usedEncoding`
/// tells which encoding was written.
QByteArray encodeLines(const QStringList &lines, TextEncoding encoding,
                       TextEncoding *usedEncoding = nullptr);

/// The whole file's bytes. Throws TarnError "Cannot open file ..." on failure.
QByteArray readFileBytes(const QString &path);
/// decodeText(readFileBytes(path)), without holding the whole file's bytes when they are
/// plainly ANSI: those are decoded piece by piece as they are read. Throws as readFileBytes.
DecodedText readDecodedFile(const QString &path);
/// Reads and splits a whole file. Throws TarnError "Cannot open file ...".
TextFileLines readTextFile(const QString &path);
/// Writes atomically: the old file stays whole until the new one is complete. Throws
/// TarnError "Cannot create file ..."; returns the encoding actually written.
TextEncoding writeTextFile(const QString &path, const QStringList &lines, TextEncoding encoding);
/// True when something that can be read as a file stands at `path` (not a folder).
bool fileExists(const QString &path);
