// The paste parser and item keys, over arbitrary pasted text, list entries and ListedNames;
// then the paste as the item list takes it.

#include "fuzzinput.h"

#include "list/liststate.h"
#include "list/parser.h"
#include "text/strops.h"

#include <QSet>

using namespace Qt::StringLiterals;

namespace {

bool hasBreak(const QString &s)
{
    return s.contains(u'\r') || s.contains(u'\n');
}

void checkItemKey(const QString &entry)
{
    const QString key = ItemKey(entry);
    FUZZ_CHECK(key.size() <= entry.size());
    FUZZ_CHECK(!key.contains(u'*') && !key.contains(u'#'));
    FUZZ_CHECK(trimText(key) == key);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    FuzzInput input(data, size);
    const bool replace = input.takeBool();
    const QStringList parts = takeParts(input.restText(), 3);
    const QStringList pasted = splitLines(parts[0]);
    const QStringList listEntries = splitLines(parts[1]);
    const QStringList listedNames = splitLines(parts[2]);

    const PastedLines out = parsePaste(pasted, listEntries, listedNames);
    FUZZ_CHECK(out.trimmedLines.size() == pasted.size());
    for (qsizetype i = 0; i < pasted.size(); ++i)
        FUZZ_CHECK(out.trimmedLines[i] == trimText(pasted[i]));
    FUZZ_CHECK(out.entries.size() <= pasted.size());
    FUZZ_CHECK(out.names.size() <= out.entries.size());
    FUZZ_CHECK(out.countText == countText(listEntries.size() + out.entries.size()));

    // An entry the list already holds (ignoring case) is not added again, unless numbered.
    QSet<QString> listed;
    for (const QString &entry : listEntries)
        listed.insert(caseFoldKey(entry));
    for (const QString &entry : out.entries) {
        FUZZ_CHECK(!listed.contains(caseFoldKey(entry)) || entry.contains(u'.'));
        listed.insert(caseFoldKey(entry));
    }
    // Every entry comes from one line: no line break. A plain entry is a piece of its line; a
    // numbered one is the text before its first "." (the number), a blank and the name, both
    // cut from the same line, so at most twice its length and one.
    qsizetype longestLine = 0;
    for (const QString &line : pasted)
        longestLine = std::max(longestLine, line.size());
    for (const QString &entry : out.entries) {
        FUZZ_CHECK(!hasBreak(entry));
        FUZZ_CHECK(entry.size() <= (entry.contains(u'.') ? 2 * longestLine + 1 : longestLine));
        checkItemKey(entry);
    }
    for (const QString &name : out.names)
        FUZZ_CHECK(trimText(name) == name && name.size() <= longestLine);
    for (const QString &line : pasted)
        checkItemKey(line);
    checkItemKey(parts[0]);

    // The paste as "Добавить" / "Заменить" apply it to a list in either mode.
    ListState state = listStateOf(listEntries, replace);
    QStringList names = listedNames;
    const PasteOutcome outcome = pasteIntoList(state, names, parts[0], replace);
    const qsizetype before = replace ? 0 : listEntries.size();
    FUZZ_CHECK(state.size() == before + out.entries.size() || replace);
    FUZZ_CHECK(state.selected.size() == state.size());
    FUZZ_CHECK(state.focused >= -1 && state.focused < state.size());
    FUZZ_CHECK(state.entries.isEmpty() == (state.focused == -1));
    FUZZ_CHECK(outcome.countText == countText(state.size()));
    FUZZ_CHECK(outcome.bufferLines == out.trimmedLines);
    return 0;
}
