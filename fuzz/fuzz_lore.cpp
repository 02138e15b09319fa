// The lore view's colour spans and slot label, over arbitrary lore text.

#include "fuzzinput.h"

#include "base/lore.h"
#include "text/strops.h"

using namespace Qt::StringLiterals;

namespace {

void checkSpans(QStringView lore, qsizetype firstLineLength)
{
    const QList<LoreSpan> spans = ComputeLoreSpans(lore, firstLineLength);
    if (lore.isEmpty())
        FUZZ_CHECK(spans.isEmpty());
    for (const LoreSpan &s : spans) {
        // Spans start inside the text (an empty one may stand at its end); a keyword's
        // trailing blank or a "+"/"-" mark near the end may reach a little past it, which the
        // view leaves uncoloured.
        FUZZ_CHECK(s.start >= 0 && s.start <= lore.size());
        FUZZ_CHECK(s.start < lore.size() || s.length == 0);
        FUZZ_CHECK(s.length >= 0 && s.start + s.length <= lore.size() + 2);
        FUZZ_CHECK((s.colour & 0xFF000000u) == 0xFF000000u);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    FuzzInput input(data, size);
    const quint8 lengthChoice = input.takeByte();
    const QString text = input.restText();

    // As the view shows it: the record lines, each followed by LF.
    const QStringList lines = splitLines(text);
    const QString lore = loreText(lines);
    FUZZ_CHECK(lines.isEmpty() ? lore.isEmpty() : lore == lines.join(u'\n') + u'\n');
    checkSpans(lore, lines.isEmpty() ? 0 : lines.first().size());
    // Any text with any first-line length the view could be handed, breaks and all.
    checkSpans(text, qsizetype(lengthChoice) - 2);
    checkSpans(text, text.size() + 1);

    const QString label = SlotLabelFor(lore);
    // No phrase holds a line break, so the kind of break cannot change the label.
    FUZZ_CHECK(label == SlotLabelFor(text));
    FUZZ_CHECK(label.size() <= 16 && !label.contains(u'\n'));
    return 0;
}
