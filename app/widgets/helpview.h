#pragma once

#include <QDialog>
#include <QStringList>

class QPlainTextEdit;

/// The help window (F1): its lines in a read-only text that a screen reader reads line by line
/// with the arrow keys. Escape closes it.
class HelpView : public QDialog
{
    Q_OBJECT
public:
    explicit HelpView(const QStringList &lines, QWidget *parent = nullptr);

    QPlainTextEdit *text() const { return m_text; }

private:
    QPlainTextEdit *m_text;
};
