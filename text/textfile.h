#pragma once

// The text-file rule: how every file of the program (staff base, settings, lists) is read
// and written.

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>
#include <QStringView>

#include <functional>

/// The encoding a list of lines was read with, remembered so it is written back the same way.
enum class TextEncoding {
    Ansi,    ///< the ANSI code page, Windows-1251, no mark
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

/// The bytes of `text` in `encoding`, with its mark and nothing else done: a character the
/// encoding cannot represent becomes its substitute. Check with decodeText when that matters.
QByteArray encodeText(const QString &text, TextEncoding encoding);

/// The whole file's bytes. Throws TarnError "Cannot open file ..." on failure.
QByteArray readFileBytes(const QString &path);
/// Told of every piece of a file that readDecodedFile decodes by the ANSI byte table, right
/// after decoding it: the text decoded so far, the piece's bytes, and where the piece starts
/// in the text (byte i of the piece is character at + i).
using AnsiPieceVisitor =
    std::function<void(QStringView decoded, QByteArrayView piece, qsizetype at)>;

/// decodeText(readFileBytes(path)), without holding the whole file's bytes when they are
/// plainly ANSI: those are decoded piece by piece as they are read, `pieceBytes` at a time,
/// and each piece is shown to `visitor`. Throws as readFileBytes.
DecodedText readDecodedFile(const QString &path, const AnsiPieceVisitor &visitor = {},
                            qint64 pieceBytes = qint64(1) << 20);
/// The ANSI code page (Windows-1251) as the characters of its 256 bytes, as the files are
/// decoded.
const QList<char16_t> &ansiByteTable();
/// The largest settings, list or quick-slot file that is read: far above any real list (a
/// list of 10,000 entries is well under 1 MB), low enough that reading one never holds the
/// window or its memory for long.
inline constexpr qint64 maxTextFileBytes = 64 * 1024 * 1024;
/// "файл слишком большой ...": the reason given for a file above maxTextFileBytes.
QString tooLargeTextFileReason();
/// Reads and splits a whole settings, list or quick-slot file. Throws TarnError "Cannot open
/// file ...", also for a file larger than maxTextFileBytes.
TextFileLines readTextFile(const QString &path);
/// Writes atomically: the old file stays whole until the new one is complete, every byte
/// written and synced to the disk. Throws TarnError "Cannot create file ..." with the
/// system's reason ("No space left on device"); returns the encoding actually written.
TextEncoding writeTextFile(const QString &path, const QStringList &lines, TextEncoding encoding);
/// Writes one of the program's own state files (settings.ini, list.txt, save1.txt..save3.txt)
/// as writeTextFile does, but never through a symbolic link and never in place of a device,
/// a pipe or a socket: those throw TarnError "Cannot create file ..." and stay as they are.
/// Every write of a state file goes through here; files the user chose go to writeTextFile.
TextEncoding writeStateFile(const QString &path, const QStringList &lines, TextEncoding encoding);
/// Writes the bytes of one of the program's own files as writeStateFile writes lines:
/// atomically and checked, never through a link nor in place of a device, a pipe or a socket.
void writeStateFileBytes(const QString &path, QByteArrayView bytes);
/// The absolute path of the readable regular file at `path` (a relative path is taken in the
/// working folder). Throws TarnError "Cannot open file ..." with the reason when there is
/// none: a missing file, a folder, a device, a pipe, a socket, a file that cannot be read.
QString existingFilePath(const QString &path);
/// True when something that can be read as a file stands at `path` (not a folder).
bool fileExists(const QString &path);
