#include "app/widgets/drawntext.h"

#include <algorithm>

QString drawnText(const QString &text, qsizetype limit)
{
    if (text.size() <= limit)
        return text;
    qsizetype kept = std::max<qsizetype>(limit, 0);
    if (kept > 0 && text.at(kept - 1).isHighSurrogate())
        --kept;
    return text.left(kept) + QChar(0x2026);
}
