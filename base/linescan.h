#pragma once

// The line scan of a staff base: one pass over its text (or over the bytes of a file read in a
// single-byte code page, as they are decoded) that finds the lines, the lines holding the
// record markers and the texts that header lines enclose in apostrophes.

#include "base/staffbase.h"
#include "text/largebuffer.h"

#include <QByteArrayView>
#include <QList>
#include <QStringView>
#include <QVarLengthArray>

#include <optional>

/// The bytes that stand for the characters the line scan stops at, in a single-byte code page
/// where each of those characters has one byte and no other: comparing bytes then finds
/// exactly the places that comparing the decoded characters finds.
struct ScanBytes
{
    uchar lf = 0, cr = 0, apostrophe = 0;
    uchar headerFirst = 0, headerNext = 0, endFirst = 0, endNext = 0, levelDot = 0, levelNext = 0;
};

/// The line scan's bytes in a code page given as the characters of its 256 bytes; none when
/// one of those characters has no byte or several.
std::optional<ScanBytes> scanBytesOf(const QList<char16_t> &table);

/// The lines of a piece of a text that begins and ends at line starts, the lines holding the
/// three markers, and the texts that header lines enclose in apostrophes, found in one pass:
/// every line break, every apostrophe and every character that can begin (or, for the level
/// marker, sits inside) a marker is visited, and a marker is checked only there. A marker holds
/// no line break, so a marker found at a position lies inside the line that position belongs
/// to. Line numbers count from the piece's first line; positions are the whole text's.
class LineScan
{
public:
    /// `roomFor`: the number of characters whose lines the line table makes room for.
    LineScan(QStringView text, qsizetype begin, qsizetype end, qsizetype roomFor)
        : m_text(text), m_lineStart(begin), m_end(end)
    {
        // Room for lines of 24 characters on average; pages never written cost no memory,
        // and a list left far larger than its lines is shrunk at the end.
        reserveWithLargePages(lines, roomFor / 24 + 16);
    }

    /// Scans the piece; quotedInHeader comes out sorted.
    void run();
    /// Appends the scan of the piece that follows this one.
    void append(const LineScan &next);

    // A scan fed as the text is decoded: visitRange and visitBytes in ascending order over
    // the whole text, each part visited once, then finish.

    /// The text as decoded so far; every place visited must be followed by at least
    /// kLookAhead decoded characters unless it is near the text's end.
    void setText(QStringView text) { m_text = text; }
    /// Visits the characters at [from, to) of the text that matter, one by one.
    void visitRange(qsizetype from, qsizetype to);
    /// Visits, sixteen bytes at a time, the places [from, to) of a piece of bytes in a
    /// single-byte code page whose characters may matter; byte i of the piece is character
    /// at + i of the text, and the piece holds at least one byte after `to`.
    void visitBytes(const uchar *piece, qsizetype at, qsizetype from, qsizetype to,
                    const ScanBytes &bytes);
    /// Ends the last line at `end`, the text's end, and sorts quotedInHeader.
    void finish(qsizetype end);

    /// How far past a visited place the visit may read: past the longest marker, and the LF
    /// of a CR LF.
    static constexpr qsizetype kLookAhead = 16;

    QList<StaffBase::PackedLine> lines;
    QList<qsizetype> headers;
    QList<qsizetype> ends;
    QList<qsizetype> levels;
    QList<StaffBase::QuotedText> quotedInHeader; ///< in line order; sorted by the caller
    QList<qsizetype> headersWithManyQuotes;      ///< positions in `headers`

private:
    /// The level marker is looked for at its ".", which is rarer than its first letter.
    static constexpr qsizetype kLevelDot = 3;

    static bool isInteresting(char16_t c)
    {
        return c == u'\n' || c == u'\r' || c == u'<' || c == u'.' || c == u'П' || c == u'\'';
    }
    void visit(qsizetype k);
    void endLine(qsizetype breakAt);
    void indexQuotes();
    void mark(QList<qsizetype> &list)
    {
        if (list.isEmpty() || list.last() != m_lineNo)
            list.append(m_lineNo);
    }

    QStringView m_text;
    qsizetype m_lineStart = 0;
    qsizetype m_end = 0;
    qsizetype m_lineNo = 0;
    QVarLengthArray<qsizetype, 32> m_quotes; ///< apostrophes of the current line
};

/// The line scan of a file read in a single-byte code page, run on each piece's bytes right
/// after the piece is decoded, while they are still in the cache, sixteen bytes at a time.
/// The last bytes of a piece wait for the next one, since a marker or a CR LF may run on
/// into it.
class PieceScan
{
public:
    PieceScan(const ScanBytes &bytes, qsizetype roomFor)
        : m_bytes(bytes), m_scan(QStringView(), 0, 0, roomFor)
    {}

    /// Told of each piece as readDecodedFile decodes it (an AnsiPieceVisitor).
    void operator()(QStringView decoded, QByteArrayView piece, qsizetype at);

    /// Whether the pieces told were the whole of `text`, in order.
    bool covered(const QString &text) const { return m_inOrder && m_covered == text.size(); }

    /// The scan of the whole text, once the pieces told covered it.
    LineScan finish(const QString &text);

private:
    ScanBytes m_bytes;
    LineScan m_scan;
    qsizetype m_scanned = 0; ///< the places before it are visited
    qsizetype m_covered = 0; ///< the characters before it were told
    bool m_inOrder = true;
};

/// The scan of a whole text, its pieces scanned at once, each on a thread of its own, and
/// joined in order.
LineScan scanInPieces(QStringView text, int pieces);
