#include "app/widgets/comparisonview.h"

#include "app/models/comparisonmodel.h"
#include "app/widgets/loretext.h"
#include "base/comparison.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QPlainTextEdit>
#include <QTableView>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

namespace {

QPlainTextEdit *loreView(const ComparedItem &item, const QFont &font, const QPalette &palette,
                         QWidget *parent)
{
    auto *view = new QPlainTextEdit(parent);
    view->setReadOnly(true);
    view->setLineWrapMode(QPlainTextEdit::NoWrap);
    view->setFont(font);
    view->setPalette(palette);
    view->setTabChangesFocus(true);
    view->setAccessibleName(u"Описание «%1»"_s.arg(item.name));
    if (item.loreLines.isEmpty()) {
        view->setPlainText(missingItemText(item.name));
        view->setAccessibleDescription(view->toPlainText());
    } else {
        showLoreText(view, item.loreLines, item.spans);
    }
    return view;
}

} // namespace

ComparisonView::ComparisonView(const ComparedItem &left, const ComparedItem &right,
                               const QFont &loreFont, const QPalette &lorePalette, QWidget *parent)
    : QDialog(parent)
{
    setObjectName(u"Comparison"_s);
    const QString title = u"Сравнение: «%1» и «%2»"_s.arg(left.name, right.name);
    setWindowTitle(title);
    setAccessibleName(title);

    auto *model = new ComparisonModel(compareLoreNumbers(loreNumbers(left.loreLines),
                                                         loreNumbers(right.loreLines), left.name,
                                                         right.name),
                                      left.name, right.name, this);
    m_table = new QTableView(this);
    m_table->setObjectName(u"ComparisonTable"_s);
    m_table->setModel(model);
    m_table->setAccessibleName(u"Числа двух предметов"_s);
    m_table->setAccessibleDescription(
        u"Свойство, значение у каждого предмета и что лучше. Escape закрывает сравнение."_s);
    m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_table->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_table->setTabKeyNavigation(false);
    m_table->verticalHeader()->hide();
    m_table->verticalHeader()->setDefaultSectionSize(m_table->fontMetrics().height() + 6);
    m_table->horizontalHeader()->setStretchLastSection(true);
    m_table->resizeColumnsToContents();
    if (model->rowCount() > 0)
        m_table->setCurrentIndex(model->index(0, 0));

    m_lore[0] = loreView(left, loreFont, lorePalette, this);
    m_lore[1] = loreView(right, loreFont, lorePalette, this);
    auto *lores = new QHBoxLayout;
    lores->addWidget(m_lore[0]);
    lores->addWidget(m_lore[1]);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_table, 2);
    layout->addLayout(lores, 3);
    setTabOrder(m_table, m_lore[0]);
    setTabOrder(m_lore[0], m_lore[1]);
    resize(900, 600);
    m_table->setFocus();
}
