// settings.ini read from arbitrary file bytes, written back and read again; the colour names
// and the restored window bounds on whatever numbers the file held.

#include "fuzzinput.h"

#include "state/colournames.h"
#include "state/settings.h"

#include <QRect>
#include <QSize>

#include <limits>

namespace {

qint32 takeInt(FuzzInput &input)
{
    quint32 v = 0;
    for (int k = 0; k < 4; ++k)
        v = (v << 8) | input.takeByte();
    return qint32(v);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    FuzzInput input(data, size);
    const quint32 colour = quint32(takeInt(input));
    const QRect desktop(takeInt(input) % 100000, takeInt(input) % 100000,
                        int(input.takeByte()) * 40, int(input.takeByte()) * 40);
    const QStringList lines = splitLines(input.restText());

    const SettingsRead read = readSettings(lines);
    FUZZ_CHECK(read.fieldsRead >= 1 && read.fieldsRead <= int(SettingsField::Colours) + 1);
    FUZZ_CHECK(read.error.isEmpty() == (read.fieldsRead == int(SettingsField::Colours) + 1));
    FUZZ_CHECK(read.error.size() <= 300);
    FUZZ_CHECK(read.record.basePath == (lines.isEmpty() ? QString() : lines[0]));

    // What is written is read back the same, a black background aside (it is not stored).
    if (read.error.isEmpty()) {
        SettingsRecord expected = read.record;
        if (expected.colours && expected.colours->background == 0)
            expected.colours.reset();
        const QStringList written = settingsLines(read.record);
        FUZZ_CHECK(written.size() == 7 || written.size() == 9);
        const SettingsRead again = readSettings(written);
        FUZZ_CHECK(again.error.isEmpty());
        FUZZ_CHECK(again.record == expected);
    }

    FUZZ_CHECK(colourFromName(colourToName(colour)) == colour);

    const QSize minimum(200, 150);
    const WindowBounds wanted{read.record.left, read.record.top, read.record.width,
                              read.record.height};
    const WindowBounds fitted = fitWindowToDesktop(wanted, desktop, minimum);
    FUZZ_CHECK(fitted.width >= minimum.width() && fitted.height >= minimum.height());
    FUZZ_CHECK(fitted.width <= std::max(minimum.width(), desktop.width()));
    FUZZ_CHECK(fitted.height <= std::max(minimum.height(), desktop.height()));
    return 0;
}
