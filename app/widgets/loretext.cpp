#include "app/widgets/loretext.h"

#include <QColor>
#include <QPlainTextEdit>
#include <QTextCursor>
#include <QTextDocument>

#include <algorithm>

void showLoreText(QPlainTextEdit *view, const QStringList &lines, const QList<LoreSpan> &spans)
{
    view->clear();
    QTextDocument *document = view->document();
    // Neither the record nor its colouring is an edit the user could undo.
    document->setUndoRedoEnabled(false);
    QTextCursor cursor(document);
    cursor.beginEditBlock();
    cursor.insertText(lines.join(u'\n'), QTextCharFormat());
    const qsizetype end = document->characterCount() - 1; // the last line's break is not text
    for (const LoreSpan &span : spans) {
        const qsizetype from = std::min(span.start, end);
        const qsizetype to = std::min(span.start + span.length, end);
        if (to <= from)
            continue;
        cursor.setPosition(int(from));
        cursor.setPosition(int(to), QTextCursor::KeepAnchor);
        QTextCharFormat colour;
        colour.setForeground(QColor::fromRgb(span.colour));
        cursor.mergeCharFormat(colour);
    }
    cursor.endEditBlock();
    document->setUndoRedoEnabled(true);

    // The caret at the start with nothing selected, so the record shows from its beginning;
    // text typed or set later takes the view's own colour, not that of a span.
    QTextCursor start(document);
    view->setTextCursor(start);
    view->setCurrentCharFormat(QTextCharFormat());
}
