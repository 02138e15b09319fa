#pragma once

// The staff base: the user's TreePad item database (.hjt), held in memory for the lore view,
// the item table and the whole-base searches.

#include "base/itemindex.h"
#include "text/strops.h"
#include "text/textfile.h"

#include <QList>
#include <QString>
#include <QStringView>

/// BaseLines: the staff base file's lines, held in one buffer with line offsets.
///
/// Besides the lines it keeps what the per-click work needs, built once at load in one pass
/// over the buffer: the lines holding the record markers "Предмет" and "<end node>" and the
/// level marker "мин.уровень", and which header lines quote which text between two
/// apostrophes. Nothing is kept lower-cased: case-insensitive searches fold as they compare.
class StaffBase
{
public:
    StaffBase() = default;

    qsizetype lineCount() const { return m_lines.size(); }
    /// A number that tells this base's scan from every other one made since the program
    /// started; copies share it. 0 for an empty StaffBase().
    quint64 loadId() const { return m_loadId; }
    /// 0-based, i < lineCount().
    QStringView line(qsizetype i) const;
    bool isEmpty() const { return m_lines.isEmpty(); }

    /// Line i lower-cased by lowerText.
    QString lowerLine(qsizetype i) const;
    /// Where line i stands in text().
    LineRange lineRange(qsizetype i) const { return {m_lines.at(i).start, m_lines.at(i).length}; }
    /// The whole decoded file, line breaks included.
    const QString &text() const { return m_text; }
    /// The line that holds position `pos` of text(); a position on a line break belongs to the
    /// line it ends. -1 when pos lies before the first line or past the end.
    qsizetype lineOfPosition(qsizetype pos) const;

    /// Ascending numbers of the lines that contain "Предмет" (record headers).
    const QList<qsizetype> &headerLines() const { return m_headerLines; }
    /// Ascending numbers of the lines that contain "<end node>" (record ends).
    const QList<qsizetype> &endLines() const { return m_endLines; }
    /// Ascending numbers of the lines that contain "мин.уровень" (item levels).
    const QList<qsizetype> &levelLines() const { return m_levelLines; }
    /// Ascending numbers of the lines that contain `needle`, case-sensitively, or with
    /// `inLowerCase` the lines whose lowerText contains it; none for an empty needle. One pass
    /// over the buffer.
    QList<qsizetype> linesContaining(QStringView needle, bool inLowerCase = false) const;
    /// Ascending numbers of the header lines that contain "'" + quoted + "'".
    QList<qsizetype> headerLinesQuoting(QStringView quoted) const;
    /// Ascending positions in headerLines() of the header lines whose HeaderItemName equals
    /// `name` ignoring letter case.
    QList<qsizetype> headersNaming(QStringView name) const;
    /// Where the record of header k (a position in headerLines()) stops: the first line after
    /// its header line that is a header line or an end line, or lineCount(). A header line
    /// that holds an end marker itself stops its record at once: the result is its own line.
    qsizetype recordStop(qsizetype k) const { return m_recordStops.at(k); }

    /// A text enclosed by two apostrophes of a header line: its hash ignoring letter case
    /// (qHash of CaseFoldedView) and the header line's position in headerLines().
    struct QuotedText
    {
        size_t hash = 0;
        qsizetype header = 0;
        friend auto operator<=>(const QuotedText &, const QuotedText &) = default;
    };

    /// A line's place in 32 bits each: half the memory of LineRange for a million lines.
    struct PackedLine
    {
        quint32 start = 0;
        quint32 length = 0;
    };

private:
    friend StaffBase staffBaseFromText(QString text, int scanPieces);
    friend class StaffBaseBuilder;
    void findRecordStops();
    void bucketQuotedTexts();
    /// Ascending positions in headerLines() of the header lines that may enclose `text`
    /// (equal ignoring case) in apostrophes: every one that does, and now and then one whose
    /// text only shares the hash.
    QList<qsizetype> quotingCandidates(QStringView text) const;

    quint64 m_loadId = 0;
    QString m_text;
    QList<PackedLine> m_lines;
    QList<qsizetype> m_headerLines;
    QList<qsizetype> m_endLines;
    QList<qsizetype> m_levelLines;
    QList<qsizetype> m_recordStops; ///< one per header line
    /// Every text enclosed by two apostrophes of a header line, sorted by hash: a look-up
    /// takes the lines of one hash and checks each line itself.
    QList<QuotedText> m_quotedInHeader;
    /// Where each run of equal top hash bits starts in m_quotedInHeader (one more entry at the
    /// end), so that a look-up goes straight to its few candidates.
    QList<quint32> m_quotedBuckets;
    int m_bucketShift = 0;
    /// Header lines (positions in headerLines()) with too many apostrophes to list every
    /// enclosed text; searched directly.
    QList<qsizetype> m_headersWithManyQuotes;
};

struct StaffBaseLoad
{
    StaffBase lines;
    ItemIndex index;
    bool fileMissing = false;
};

/// Reads the file by the text-file rule and scans it. fileMissing when no file is at the path
/// (an empty path included). Throws TarnError when a file exists but cannot be read (a folder
/// included).
StaffBaseLoad LoadStaffBase(const QString &path);
/// Whether LoadStaffBase(path) would find no file: an empty path, or nothing at the path.
bool staffBaseMissing(const QString &path);
/// Throws the TarnError that LoadStaffBase(path) would throw before reading a byte: for a
/// folder, a device, a pipe or a socket, or a file that cannot be opened. Nothing for a
/// missing file or one that opens.
void checkStaffBaseOpens(const QString &path);
/// BaseLines over a decoded file text. The text is scanned in `scanPieces` pieces at once, each
/// on a thread of its own; 0 chooses by the text's size and the number of cores. The result
/// does not depend on the number of pieces.
StaffBase staffBaseFromText(QString text, int scanPieces = 0);
/// BaseLines of a file read by the text-file rule, `pieceBytes` at a time (the program's own
/// piece size unless told); the same as staffBaseFromText of the file's decoded text. Throws
/// as readDecodedFile does; std::bad_alloc when memory runs short.
StaffBase readStaffBaseFile(const QString &path, qint64 pieceBytes = qint64(1) << 20);
/// ItemIndex from BaseLines: one row per item, appended at its level line or, without one,
/// at the next header; names unique ignoring letter case, the first one winning. The records
/// are read in `readPieces` pieces at once, chosen as for staffBaseFromText when 0; the
/// result does not depend on it.
ItemIndex ScanItemIndex(const StaffBase &lines, int readPieces = 0);

/// The lore view's text when the file is missing: "файл базы не найден".
QString baseMissingMessage();
