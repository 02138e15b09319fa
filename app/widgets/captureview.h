#pragma once

#include "base/recorddiff.h"

#include <QDialog>
#include <QStringList>

class QLabel;
class QPlainTextEdit;

/// The lines that tell what a capture changed against the record the player had: each line
/// added («+ …»), removed («− …») or changed («было: …», «стало: …»), then each number that
/// moved, better or worse. Lines that stayed are left out.
QStringList captureChangeLines(const RecordDiff &diff);

/// «В базу»: what a capture changed, in a window of its own: the spoken summary above and the
/// changed lines and numbers below, read-only with a caret, so that a screen reader reads it
/// line by line. Escape closes it.
class CaptureView : public QDialog
{
    Q_OBJECT
public:
    /// `changes`: the lines captureChangeLines gives, of one record or of several.
    CaptureView(const QString &summary, const QStringList &changes, QWidget *parent = nullptr);

    QLabel *summary() const { return m_summary; }
    QPlainTextEdit *changes() const { return m_changes; }

private:
    QLabel *m_summary;
    QPlainTextEdit *m_changes;
};
