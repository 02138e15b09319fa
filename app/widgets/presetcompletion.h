#pragma once

#include <QObject>
#include <QString>
#include <QStringList>

class QComboBox;
class QKeyEvent;

/// The index of the first of `presets` that begins with `typed`, ignoring letter case; -1 when
/// none does.
int firstPresetStartingWith(const QString &typed, const QStringList &presets);

/// Completes what is typed into an editable combo box from its preset items: when the text
/// typed so far begins a preset item (ignoring letter case), the rest of the first such item is
/// added and selected. Landing on another item than before counts as choosing it: the box
/// raises its click (`activated`) and then its change (`editTextChanged`), as a choice from the
/// drop-down list does; other edits raise only the change. Backspace deletes the selected rest
/// and completes nothing. Replaces the box's own completer.
class PresetCompletion : public QObject
{
    Q_OBJECT
public:
    /// Owned by `box`.
    explicit PresetCompletion(QComboBox *box);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    /// True when the key was taken: its text was typed and completed here.
    bool typeAndComplete(const QKeyEvent *key);
    QStringList presets() const;

    QComboBox *m_box;
    int m_chosen = -1; ///< the item the box last landed on; -1 after an edit that left it
};
