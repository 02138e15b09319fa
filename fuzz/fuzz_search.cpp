// Lore collection and the two whole-base searches over an arbitrary staff base and arbitrary
// keys, compared with a line-by-line reading.

#include "fuzzinput.h"
#include "plainreading.h"

#include "base/lore.h"
#include "base/search.h"
#include "base/staffbase.h"
#include "text/strops.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    FuzzInput input(data, size);
    const QStringList parts = takeParts(input.restText(), 3);
    const QString &key = parts[0];
    const QStringList listed = splitLines(parts[1]);
    const StaffBase base = staffBaseFromText(parts[2]);
    const QStringList lines = splitLines(parts[2]);

    const QStringList lore = CollectLoreLines(key, base);
    FUZZ_CHECK(lore == plain::collect(key, lines));
    // The lore of an item quoted by the first header, as a click on it would collect it.
    if (!base.headerLines().isEmpty()) {
        const QString name = HeaderItemName(base.line(base.headerLines().first()));
        FUZZ_CHECK(CollectLoreLines(name, base) == plain::collect(name, lines));
    }
    const QString shown = loreText(lore);
    const QList<LoreSpan> spans = ComputeLoreSpans(shown, lore.isEmpty() ? 0 : lore.first().size());
    for (const LoreSpan &s : spans)
        FUZZ_CHECK(s.start >= 0 && s.start <= shown.size() && s.length >= 0);

    FUZZ_CHECK(FindItemsByName(base, key) == plain::byName(lines, key));
    FUZZ_CHECK(FindItemsByPhrase(base, key, AllowedNames::everyName())
               == plain::byPhrase(lines, key, true, {}));
    const QStringList filtered = FindItemsByPhrase(base, key, AllowedNames::fromNames(listed));
    FUZZ_CHECK(filtered == plain::byPhrase(lines, key, false, listed));

    // The property filter: those names, or all of ListedNames for an empty text.
    FUZZ_CHECK(PropertyFilterNames(base, key, listed) == (key.isEmpty() ? listed : filtered));
    return 0;
}
