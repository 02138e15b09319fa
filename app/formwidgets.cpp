#include "app/formwidgets.h"

#include "app/drawntext.h"
#include "app/fonts.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QSignalBlocker>
#include <QStyledItemDelegate>
#include <QTimer>

#include <algorithm>
#include <numeric>
#include <vector>

namespace {

/// Everything a key press can change in a list or a table that counts as a user click.
struct ViewState
{
    QModelIndex current;
    QModelIndexList selected;

    explicit ViewState(const QAbstractItemView &view)
        : current(view.currentIndex()), selected(view.selectionModel()->selectedIndexes())
    {}
    bool operator==(const ViewState &) const = default;
};

/// The keys that open a context menu from the keyboard: the Menu key and Shift+F10.
bool isContextMenuKey(const QKeyEvent *event)
{
    const Qt::KeyboardModifiers modifiers = event->modifiers() & ~Qt::KeypadModifier;
    return (event->key() == Qt::Key_Menu && modifiers == Qt::NoModifier)
        || (event->key() == Qt::Key_F10 && modifiers == Qt::ShiftModifier);
}

/// Where a context menu opened from the keyboard appears: at the current cell, or at the
/// view's top-left corner when it has none.
QPoint keyboardMenuPoint(const QAbstractItemView &view)
{
    const QRect cell = view.visualRect(view.currentIndex());
    return cell.isValid() ? cell.bottomLeft() : QPoint(0, 0);
}

} // namespace

/// Gives every entry the size of the widest one. The widest entry is found when the entries
/// change: entries are measured longest first, and the search stops once no shorter entry can
/// be wider, so a monospaced list measures only its longest entries. An entry is measured and
/// drawn only as far as `drawnText` keeps it.
class ItemListWidget::WidestEntryDelegate : public QStyledItemDelegate
{
public:
    explicit WidestEntryDelegate(ItemListWidget *list) : QStyledItemDelegate(list), m_list(list)
    {
        const QAbstractItemModel *model = list->model();
        connect(model, &QAbstractItemModel::modelReset, this, &WidestEntryDelegate::invalidate);
        connect(model, &QAbstractItemModel::dataChanged, this, &WidestEntryDelegate::invalidate);
        connect(model, &QAbstractItemModel::rowsInserted, this,
                [this](const QModelIndex &, int first, int last) { measureRows(first, last); });
        connect(model, &QAbstractItemModel::rowsAboutToBeRemoved, this,
                [this](const QModelIndex &, int first, int last) { forgetRows(first, last); });
    }

    void invalidate()
    {
        m_known = false;
        m_advances.clear(); // the font may have changed
    }

    void initStyleOption(QStyleOptionViewItem *option, const QModelIndex &index) const override
    {
        QStyledItemDelegate::initStyleOption(option, index);
        option->text = drawnText(option->text);
    }

    QSize sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const override
    {
        if (!m_known)
            measureAll();
        QStyleOptionViewItem opt = option;
        initStyleOption(&opt, index);
        opt.text = m_widest;
        const QStyle *style = opt.widget ? opt.widget->style() : QApplication::style();
        return style->sizeFromContents(QStyle::CT_ItemViewItem, &opt, QSize(), opt.widget);
    }

private:
    QString entry(int row) const { return m_list->item(row)->text(); }

    /// The number of characters of an entry that are drawn, the ellipsis included.
    static qsizetype drawnLength(const QString &text)
    {
        return std::min(text.size(), drawnTextLimit + 1);
    }

    /// The width of `text` as the sum of its characters' advances, each character measured
    /// once. The list's font is fixed-pitch and its entries are plain text, so this finds the
    /// widest entry without shaping every candidate (a paste of 200,000 lines has tens of
    /// thousands of equally long ones); the widest is then measured whole by `sizeHint`.
    qint64 advanceSum(QStringView text) const
    {
        if (m_advances.empty())
            m_advances.assign(0x10000, -1);
        const QFontMetrics metrics = m_list->fontMetrics();
        qint64 width = 0;
        for (const QChar c : text) {
            if (c.isSurrogate())
                return metrics.horizontalAdvance(text.toString());
            int &advance = m_advances[c.unicode()];
            if (advance < 0)
                advance = metrics.horizontalAdvance(c);
            width += advance;
        }
        return width;
    }

    /// Measures what is drawn of `text` unless its length rules it out; true when it became
    /// the widest.
    bool consider(const QString &text, int widestCharWidth) const
    {
        if (drawnLength(text) * widestCharWidth <= m_widestWidth)
            return false;
        const QString drawn = drawnText(text);
        const qint64 width = advanceSum(drawn);
        if (width <= m_widestWidth)
            return false;
        m_widest = drawn;
        m_widestWidth = width;
        return true;
    }

    void measureAll() const
    {
        m_widest.clear();
        m_widestWidth = 0;
        m_known = true;
        QList<int> rows(m_list->count());
        std::iota(rows.begin(), rows.end(), 0);
        QList<qsizetype> lengths(rows.size());
        for (int row = 0; row < m_list->count(); ++row)
            lengths[row] = drawnLength(m_list->item(row)->text());
        std::sort(rows.begin(), rows.end(), [&](int a, int b) { return lengths[a] > lengths[b]; });
        const int widestCharWidth = std::max(1, m_list->fontMetrics().maxWidth());
        for (int row : rows) {
            if (lengths[row] * widestCharWidth <= m_widestWidth)
                break; // every later entry is as short or shorter
            consider(entry(row), widestCharWidth);
        }
    }

    void measureRows(int first, int last)
    {
        if (!m_known)
            return;
        const int widestCharWidth = std::max(1, m_list->fontMetrics().maxWidth());
        for (int row = first; row <= last; ++row)
            consider(entry(row), widestCharWidth);
    }

    void forgetRows(int first, int last)
    {
        for (int row = first; m_known && row <= last; ++row) {
            if (drawnText(entry(row)) == m_widest)
                m_known = false;
        }
    }

    ItemListWidget *m_list;
    mutable QString m_widest;
    mutable qint64 m_widestWidth = 0;
    mutable std::vector<int> m_advances; ///< advance of each UTF-16 code unit, -1 unknown
    mutable bool m_known = false;
};

ItemListWidget::ItemListWidget(QWidget *parent)
    : QListWidget(parent), m_delegate(new WidestEntryDelegate(this))
{
    setItemDelegate(m_delegate);
    setUniformItemSizes(true);
    const QAbstractItemModel *entries = model();
    const auto countChanged = [this] {
        // A refill removes and inserts rows in several steps: one announcement after them.
        if (!m_countAnnounced)
            return;
        m_countAnnounced = false;
        QTimer::singleShot(0, this, &ItemListWidget::announceEntryCount);
    };
    connect(entries, &QAbstractItemModel::rowsInserted, this, countChanged);
    connect(entries, &QAbstractItemModel::rowsRemoved, this, countChanged);
    connect(entries, &QAbstractItemModel::modelReset, this, countChanged);
    announceEntryCount();
}

ItemListWidget::~ItemListWidget()
{
    // The entries go after this part of the list: their removal must not reach it.
    disconnect(model(), nullptr, this, nullptr);
}

void ItemListWidget::setEntryRemark(std::function<QString(const QString &)> remark)
{
    m_entryRemark = std::move(remark);
}

void ItemListWidget::setDescriptionTail(const QString &tail)
{
    m_descriptionTail = tail;
    announceEntryCount();
}

void ItemListWidget::announceEntryCount()
{
    m_countAnnounced = true;
    QString description = QStringLiteral("Предметов в списке: %1.").arg(count());
    if (!m_descriptionTail.isEmpty())
        description += u' ' + m_descriptionTail + u'.';
    if (description == accessibleDescription())
        return;
    // Qt sends the description change event to assistive technology.
    setAccessibleDescription(description);
}

void ItemListWidget::currentChanged(const QModelIndex &current, const QModelIndex &previous)
{
    // The remark goes in before the view tells assistive technology of the new current entry.
    // It is no change a view shows, so the model keeps it to itself.
    if (QListWidgetItem *entry = item(current.row()); entry && m_entryRemark) {
        const QString remark = m_entryRemark(entry->text());
        const QSignalBlocker quiet(model());
        entry->setData(Qt::AccessibleTextRole,
                       remark.isEmpty() ? QVariant()
                                        : QVariant(entry->text() + QStringLiteral(", ") + remark));
    }
    QListWidget::currentChanged(current, previous);
}

void ItemListWidget::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::FontChange || event->type() == QEvent::StyleChange)
        m_delegate->invalidate();
    QListWidget::changeEvent(event);
}

void ItemListWidget::mousePressEvent(QMouseEvent *event)
{
    if (event->button() == Qt::RightButton) {
        event->accept(); // the context menu follows; selection and focus stay
        return;
    }
    QListWidget::mousePressEvent(event);
}

void ItemListWidget::mouseReleaseEvent(QMouseEvent *event)
{
    QListWidget::mouseReleaseEvent(event);
    if (event->button() == Qt::LeftButton)
        emit userClicked();
}

void ItemListWidget::keyPressEvent(QKeyEvent *event)
{
    if (isContextMenuKey(event)) {
        event->accept();
        emit contextMenuKeyPressed(keyboardMenuPoint(*this));
        return;
    }
    const ViewState before(*this);
    QListWidget::keyPressEvent(event);
    if (!(ViewState(*this) == before))
        emit userClicked();
}

ItemTableWidget::ItemTableWidget(int rowCount, QWidget *parent)
    : QTableView(parent), m_model(new ItemTableModel(rowCount, this))
{
    setModel(m_model);
}

void ItemTableWidget::setCurrentCell(int row, int column)
{
    setCurrentIndex(m_model->index(row, column));
}

void ItemTableWidget::mousePressEvent(QMouseEvent *event)
{
    if (event->button() == Qt::RightButton) {
        event->accept();
        return;
    }
    QTableView::mousePressEvent(event);
}

void ItemTableWidget::mouseReleaseEvent(QMouseEvent *event)
{
    QTableView::mouseReleaseEvent(event);
    if (event->button() == Qt::LeftButton && indexAt(event->position().toPoint()).isValid())
        emit userClicked();
}

void ItemTableWidget::keyPressEvent(QKeyEvent *event)
{
    if (isContextMenuKey(event)) {
        event->accept();
        emit contextMenuKeyPressed(keyboardMenuPoint(*this));
        return;
    }
    const QModelIndex before = currentIndex();
    QTableView::keyPressEvent(event);
    if (currentIndex() != before)
        emit userClicked();
}

void SearchComboBox::hidePopup()
{
    QComboBox::hidePopup();
    QMetaObject::invokeMethod(this, &SearchComboBox::closedUp, Qt::QueuedConnection);
}

StatusLabel::StatusLabel(const QString &text, const QString &spokenPrefix,
                         const QString &spokenWhenEmpty, QWidget *parent)
    : FittingLabel(text, parent), m_spokenPrefix(spokenPrefix), m_spokenWhenEmpty(spokenWhenEmpty)
{
    // The text it starts with is a caption ("Слот"), said as it stands.
    setAccessibleName(text.isEmpty() ? spokenWhenEmpty : text);
}

void StatusLabel::setText(const QString &text)
{
    QLabel::setText(text);
    const QString spoken = text.isEmpty() ? m_spokenWhenEmpty : m_spokenPrefix + text;
    if (spoken == accessibleName())
        return;
    // Qt sends the name change event (QAccessible::NameChanged) to assistive technology.
    setAccessibleName(spoken);
}

void FittingLabel::paintEvent(QPaintEvent *event)
{
    const QRect area = contentsRect();
    if (fontMetrics().horizontalAdvance(text()) <= area.width()) {
        QLabel::paintEvent(event);
        return;
    }
    QPainter painter(this);
    painter.setFont(fontFittingWidth(font(), text(), area.width()));
    painter.setPen(palette().color(foregroundRole()));
    painter.drawText(area, int(alignment()) | Qt::TextSingleLine, text());
}
