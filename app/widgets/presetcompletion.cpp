#include "app/widgets/presetcompletion.h"

#include "text/strops.h"

#include <QComboBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QSignalBlocker>

namespace {

/// Text a key types into the box: printable characters, with no command modifier held.
bool typesText(const QKeyEvent *key)
{
    if (key->text().isEmpty())
        return false;
    if (key->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier))
        return false;
    for (const QChar c : key->text()) {
        if (c.unicode() < 0x20 || c.unicode() == 0x7F)
            return false;
    }
    return true;
}

} // namespace

int firstPresetStartingWith(const QString &typed, const QStringList &presets)
{
    for (qsizetype i = 0; i < presets.size(); ++i) {
        const QString &preset = presets[i];
        if (preset.size() >= typed.size()
            && equalsIgnoringCase(QStringView(preset).first(typed.size()), typed))
            return int(i);
    }
    return -1;
}

PresetCompletion::PresetCompletion(QComboBox *box) : QObject(box), m_box(box)
{
    box->setCompleter(nullptr);
    box->installEventFilter(this);
    // A choice from the drop-down list lands on its item.
    connect(box, &QComboBox::activated, this, [this](int index) { m_chosen = index; });
    // The box's line edit reports only edits by the user; they leave the chosen item.
    connect(box->lineEdit(), &QLineEdit::textEdited, this, [this] { m_chosen = -1; });
}

bool PresetCompletion::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_box && event->type() == QEvent::KeyPress && m_box->lineEdit()
        && typeAndComplete(static_cast<QKeyEvent *>(event)))
        return true;
    return QObject::eventFilter(watched, event);
}

QStringList PresetCompletion::presets() const
{
    QStringList items;
    items.reserve(m_box->count());
    for (int i = 0; i < m_box->count(); ++i)
        items.append(m_box->itemText(i));
    return items;
}

bool PresetCompletion::typeAndComplete(const QKeyEvent *key)
{
    if (!typesText(key))
        return false;
    QLineEdit *edit = m_box->lineEdit();
    const QString text = edit->text();
    const qsizetype selectionStart = edit->hasSelectedText() ? edit->selectionStart()
                                                             : edit->cursorPosition();
    const qsizetype selectionEnd = edit->hasSelectedText()
        ? selectionStart + edit->selectedText().size()
        : selectionStart;
    const QString typed = text.left(selectionStart) + key->text();
    // Only typing at the end completes; an insertion inside the text is an ordinary edit.
    if (selectionEnd < text.size())
        return false;
    const QStringList items = presets();
    const int item = firstPresetStartingWith(typed, items);
    if (item < 0)
        return false;

    const QString completed = typed + items[item].sliced(typed.size());
    {
        const QSignalBlocker blockEdit(edit);
        edit->setText(completed);
        edit->setSelection(int(completed.size()), int(typed.size() - completed.size()));
    }
    if (item != m_chosen) {
        m_chosen = item;
        emit m_box->activated(item);
        emit m_box->textActivated(items[item]);
        emit m_box->editTextChanged(completed);
    } else if (completed != text) {
        emit m_box->editTextChanged(completed);
    }
    return true;
}
