// The staff base: the buffer with its line table and marker lists, and the item index scan,
// over arbitrary file bytes, scanned whole and in pieces. Everything is compared with a
// line-by-line reading.

#include "fuzzinput.h"
#include "plainreading.h"

#include "base/staffbase.h"
#include "text/strops.h"

#include <QSet>

using namespace Qt::StringLiterals;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    FuzzInput input(data, size);
    const quint8 needleLength = input.takeByte();
    const QString text = input.restText();
    // Scanned whole or in up to four pieces on threads of their own: the same either way.
    const int pieces = 1 + needleLength / 64;
    const StaffBase base = staffBaseFromText(text, pieces);
    const QStringList lines = splitLines(text);

    FUZZ_CHECK(base.lineCount() == lines.size());
    FUZZ_CHECK(base.isEmpty() == lines.isEmpty());
    FUZZ_CHECK(base.text() == text);
    for (qsizetype i = 0; i < base.lineCount(); ++i) {
        FUZZ_CHECK(base.line(i) == lines[i]);
        FUZZ_CHECK(base.lowerLine(i) == lowerText(lines[i]));
        const LineRange r = base.lineRange(i);
        if (r.start < text.size())
            FUZZ_CHECK(base.lineOfPosition(r.start) == i);
        if (r.length > 0)
            FUZZ_CHECK(base.lineOfPosition(r.start + r.length - 1) == i);
    }
    FUZZ_CHECK(base.lineOfPosition(-1) == -1);
    FUZZ_CHECK(base.lineOfPosition(text.size()) == -1);

    FUZZ_CHECK(base.headerLines() == plain::linesContaining(lines, u"Предмет"_s));
    FUZZ_CHECK(base.endLines() == plain::linesContaining(lines, u"<end node>"_s));
    FUZZ_CHECK(base.levelLines() == plain::linesContaining(lines, u"мин.уровень"_s));
    // A needle cut from the text itself, so that it is often found.
    const QString needle = text.left(needleLength % 8);
    FUZZ_CHECK(base.linesContaining(needle) == plain::linesContaining(lines, needle));
    FUZZ_CHECK(base.linesContaining(lowerText(needle), true)
               == plain::linesContaining(splitLines(lowerText(text)), lowerText(needle)));

    const ItemIndex index = ScanItemIndex(base, pieces);
    FUZZ_CHECK(index == plain::scan(lines));
    QSet<QString> names;
    for (const ItemIndexRow &row : index.rows()) {
        FUZZ_CHECK(!names.contains(caseFoldKey(row.name)));
        names.insert(caseFoldKey(row.name));
        FUZZ_CHECK(row.level.size() <= 2);
    }
    return 0;
}
