#include "app/widgets/fonts.h"

#include <QFile>
#include <QFontDatabase>
#include <QFontMetrics>

using namespace Qt::StringLiterals;

void addWineTahoma()
{
    static bool tried = false;
    if (tried)
        return;
    tried = true;
    if (QFontDatabase::hasFamily(u"Tahoma"_s))
        return;
    // Only the regular face: Wine's bold face draws hardly bolder at these sizes, so bold
    // text is emboldened from the regular one instead.
    const QString regular = u"/usr/share/wine/fonts/tahoma.ttf"_s;
    if (QFile::exists(regular))
        QFontDatabase::addApplicationFont(regular);
}

QFont fontFittingWidth(QFont font, const QString &text, int width)
{
    constexpr int smallestPixelSize = 9;
    while (font.pixelSize() > smallestPixelSize
           && QFontMetrics(font).horizontalAdvance(text) > width)
        font.setPixelSize(font.pixelSize() - 1);
    return font;
}

QFont sansFont(int pixelHeight, bool bold)
{
    QFont font;
    font.setFamilies({u"Tahoma"_s});
    font.setStyleHint(QFont::SansSerif); // any sans-serif where Tahoma is missing
    font.setPixelSize(pixelHeight);
    font.setBold(bold);
    return font;
}

QFont fixedFont(int pixelHeight)
{
    QFont font;
    font.setFamilies(
        {u"DejaVu Sans Mono"_s, u"Consolas"_s, u"Liberation Mono"_s, u"Courier New"_s});
    font.setStyleHint(QFont::Monospace);
    font.setFixedPitch(true);
    font.setPixelSize(pixelHeight);
    return font;
}
