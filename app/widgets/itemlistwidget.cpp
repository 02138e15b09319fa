#include "app/widgets/itemlistwidget.h"

#include "app/widgets/contextmenukeys.h"
#include "app/widgets/drawntext.h"

#include <QApplication>
#include <QItemSelection>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QStyledItemDelegate>

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
    const QString &entry(int row) const { return m_list->entries().at(row); }

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
            lengths[row] = drawnLength(entry(row));
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
    : QListView(parent), m_model(new ItemListModel(this))
{
    setModel(m_model);
    m_delegate = new WidestEntryDelegate(this);
    setItemDelegate(m_delegate);
    setUniformItemSizes(true);
}

ItemListWidget::~ItemListWidget()
{
    // The entries go after this part of the list: their removal must not reach it.
    disconnect(m_model, nullptr, this, nullptr);
}

ListState ItemListWidget::state() const
{
    ListState state;
    state.entries = m_model->entries();
    state.sorted = m_model->isSorted();
    const int n = count();
    state.selected = QList<bool>(n, false);
    for (const QItemSelectionRange &range : selectionModel()->selection()) {
        for (int row = range.top(); row <= range.bottom() && row < n; ++row)
            state.selected[row] = true;
    }
    // The list has no focus mark before its first entry arrives: the focus is then on 0.
    state.focused = n == 0 ? -1 : std::clamp(currentRow(), 0, n - 1);
    return state;
}

void ItemListWidget::setState(const ListState &state)
{
    m_model->setEntries(state.entries);
    m_model->setSorted(state.sorted);
    QItemSelection selection;
    for (qsizetype i = 0; i < state.entries.size(); ++i) {
        if (!state.selected.value(i))
            continue;
        qsizetype last = i;
        while (last + 1 < state.entries.size() && state.selected.value(last + 1))
            ++last;
        selection.select(m_model->index(int(i)), m_model->index(int(last)));
        i = last;
    }
    selectionModel()->select(selection, QItemSelectionModel::ClearAndSelect);
    const QModelIndex focus = state.focused >= 0 ? m_model->index(int(state.focused))
                                                 : QModelIndex();
    selectionModel()->setCurrentIndex(focus, QItemSelectionModel::NoUpdate);
}

void ItemListWidget::setCurrentRow(int row)
{
    selectionModel()->setCurrentIndex(m_model->index(row), QItemSelectionModel::SelectCurrent);
}

void ItemListWidget::setEntryRemark(std::function<QString(const QString &)> remark)
{
    m_entryRemark = std::move(remark);
}

void ItemListWidget::currentChanged(const QModelIndex &current, const QModelIndex &previous)
{
    // The remark goes in before the view tells assistive technology of the new current entry.
    if (current.isValid() && current.row() < count() && m_entryRemark) {
        const QString &entry = entries().at(current.row());
        const QString remark = m_entryRemark(entry);
        m_model->setSpokenText(
            current.row(), remark.isEmpty() ? QString() : entry + QStringLiteral(", ") + remark);
    }
    QListView::currentChanged(current, previous);
}

void ItemListWidget::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::FontChange || event->type() == QEvent::StyleChange)
        m_delegate->invalidate();
    QListView::changeEvent(event);
}

void ItemListWidget::mousePressEvent(QMouseEvent *event)
{
    if (event->button() == Qt::RightButton) {
        event->accept(); // the context menu follows; selection and focus stay
        return;
    }
    QListView::mousePressEvent(event);
}

void ItemListWidget::mouseReleaseEvent(QMouseEvent *event)
{
    QListView::mouseReleaseEvent(event);
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
    QListView::keyPressEvent(event);
    if (!(ViewState(*this) == before))
        emit userClicked();
}
