#include "app/widgets/captureview.h"

#include <QLabel>
#include <QPlainTextEdit>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

namespace {

QString numberText(const std::optional<LoreNumber> &number)
{
    return number ? loreNumberText(*number) : u"нет"_s;
}

QString trendText(NumberTrend trend)
{
    switch (trend) {
    case NumberTrend::Better: return u"лучше"_s;
    case NumberTrend::Worse: return u"хуже"_s;
    case NumberTrend::Neither: break;
    }
    return u"изменилось"_s;
}

} // namespace

QStringList captureChangeLines(const RecordDiff &diff)
{
    QStringList lines;
    for (const RecordLineChange &line : diff.lines) {
        switch (line.kind) {
        case RecordLineChange::Kind::Same: break;
        case RecordLineChange::Kind::Added: lines.append(u"+ добавлена: "_s + line.after); break;
        case RecordLineChange::Kind::Removed: lines.append(u"− удалена: "_s + line.before); break;
        case RecordLineChange::Kind::Changed:
            lines.append(u"~ было: "_s + line.before);
            lines.append(u"~ стало: "_s + line.after);
            break;
        }
    }
    if (!diff.numbers.isEmpty()) {
        lines.append(QString());
        lines.append(u"Числа:"_s);
        for (const NumberChange &change : diff.numbers)
            lines.append(
                u"%1: %2 → %3, %4"_s.arg(change.number.property, numberText(change.number.left),
                                         numberText(change.number.right), trendText(change.trend)));
    }
    return lines;
}

CaptureView::CaptureView(const QString &summary, const QStringList &changes, QWidget *parent)
    : QDialog(parent), m_summary(new QLabel(summary, this)), m_changes(new QPlainTextEdit(this))
{
    setObjectName(u"CaptureView"_s);
    setWindowTitle(u"В базу: что изменилось"_s);
    setAccessibleName(windowTitle());
    m_summary->setObjectName(u"CaptureSummary"_s);
    m_summary->setAccessibleName(summary);
    m_summary->setWordWrap(true);
    m_changes->setObjectName(u"CaptureChanges"_s);
    m_changes->setReadOnly(true);
    // Read-only text keeps a caret, so the arrow keys move through it line by line.
    m_changes->setTextInteractionFlags(Qt::TextSelectableByKeyboard | Qt::TextSelectableByMouse);
    m_changes->setTabChangesFocus(true);
    m_changes->setLineWrapMode(QPlainTextEdit::NoWrap);
    m_changes->setAccessibleName(u"Изменения записи предмета"_s);
    m_changes->setAccessibleDescription(summary + u". Только для чтения. Escape закрывает."_s);
    m_changes->setPlainText(changes.join(u'\n'));
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_summary);
    layout->addWidget(m_changes);
    resize(560, 360);
    m_changes->setFocus();
}
