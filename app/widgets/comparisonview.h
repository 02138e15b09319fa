#pragma once

#include "base/lore.h"

#include <QDialog>
#include <QStringList>

class QFont;
class QPalette;
class QPlainTextEdit;
class QTableView;

/// One of the two items compared: its name and its record (empty when the base has none).
struct ComparedItem
{
    QString name;
    QStringList loreLines;
    QList<LoreSpan> spans;
};

/// «Сравнить»: two items side by side. Above, the table of every number either lore states,
/// with both values and which is better; below, both lores with their colours. Escape closes
/// it; Tab goes from the table to the left lore and on to the right one.
class ComparisonView : public QDialog
{
    Q_OBJECT
public:
    /// The lore views take `loreFont` and `lorePalette`, those of the window's lore view.
    ComparisonView(const ComparedItem &left, const ComparedItem &right, const QFont &loreFont,
                   const QPalette &lorePalette, QWidget *parent = nullptr);

    QTableView *table() const { return m_table; }
    QPlainTextEdit *leftLore() const { return m_lore[0]; }
    QPlainTextEdit *rightLore() const { return m_lore[1]; }

private:
    QTableView *m_table;
    QPlainTextEdit *m_lore[2];
};
