#pragma once

#include <QExplicitlySharedDataPointer>
#include <QHash>
#include <QList>
#include <QSharedData>
#include <QString>
#include <QStringView>

#include <initializer_list>
#include <utility>

/// The item name that the item index cuts from a header line: from its 10th character up to
/// two characters before the first ", Тип" after it (for «Предмет 'имя', Тип предмета: …»
/// the text between the apostrophes); empty when there is no ", Тип" or nothing before it.
QStringView itemIndexNameOf(QStringView headerLine);

/// One item of the staff base as the item table shows it.
struct ItemIndexRow
{
    QString name;
    QString level;
    QString classHeader;
    QString ratings;

    bool operator==(const ItemIndexRow &) const = default;
};

/// Where a text stands in the text an ItemIndex reads from.
struct TextPlace
{
    quint32 start = 0;
    quint32 length = 0;
};

/// One row per item, in the order the load completed them, with a look-up by exact name.
///
/// A row read from the staff base is kept as places in the base's text: its name, the two
/// characters of its level, its class line and its ratings line. The level, class and ratings
/// texts are cleaned when first asked for, so a load of 100,000 items makes no strings at all.
/// A copy shares the rows, the texts made so far and the base's text; use an index from one
/// thread at a time.
class ItemIndex
{
public:
    ItemIndex() = default;
    /// An index of rows given as texts, kept as they are (names may repeat).
    ItemIndex(std::initializer_list<ItemIndexRow> rows);
    explicit ItemIndex(const QList<ItemIndexRow> &rows);

    qsizetype size() const;
    bool isEmpty() const { return size() == 0; }

    /// 0 <= row < size() for all of these.
    QStringView name(qsizetype row) const;
    QString level(qsizetype row) const;
    QString classHeader(qsizetype row) const;
    QString ratings(qsizetype row) const;
    ItemIndexRow row(qsizetype row) const;
    QList<ItemIndexRow> rows() const;

    /// The first row whose name equals `name` exactly; -1 when none.
    qsizetype find(QStringView name) const;

    /// The rows of `under` but those numbered in `hiddenUnderRows` (ascending, each once),
    /// then the rows of `over`, without copying either: the item index of a base read
    /// together with another whose records replace some of its own. `under` itself when
    /// nothing is hidden and `over` is empty.
    static ItemIndex layered(const ItemIndex &under, QList<qsizetype> hiddenUnderRows,
                             const ItemIndex &over);

    friend bool operator==(const ItemIndex &a, const ItemIndex &b)
    {
        return (a.d == b.d && a.m_layers == b.m_layers) || a.rows() == b.rows();
    }

private:
    friend class ItemIndexBuilder;

    struct Layers;
    /// For a layered index, the index and row that a row stands for.
    std::pair<const ItemIndex *, qsizetype> layerRow(qsizetype row) const;

    struct Row
    {
        TextPlace name;
        TextPlace level;          ///< the level's characters before commas are removed
        TextPlace classHeader;    ///< the class line, cleaned on reading
        TextPlace ratings;        ///< the ratings line, cleaned on reading
        quint32 nameHash = 0;     ///< of the name ignoring letter case
        bool readAsGiven = false; ///< the places hold the finished texts
    };

    /// A row's finished texts besides its name.
    struct Texts
    {
        QString level;
        QString classHeader;
        QString ratings;
    };

    struct Data : QSharedData
    {
        QString text;
        QList<Row> rows;
        /// The texts of the rows asked for so far: the item table asks again for the same
        /// items each time the list changes.
        mutable QHash<qsizetype, Texts> finished;
        /// Open addressing by nameHash: each slot holds a row number + 1, 0 when free. Rows
        /// whose names are equal ignoring case follow one another in row order.
        QList<quint32> nameSlots;
    };

    QStringView textAt(TextPlace place) const;
    const Texts &textsOf(qsizetype row) const;

    QExplicitlySharedDataPointer<Data> d;
    QExplicitlySharedDataPointer<Layers> m_layers; ///< set instead of d for a layered index
};

struct ItemIndex::Layers : QSharedData
{
    ItemIndex under;
    QList<qsizetype> hidden; ///< rows of `under`, ascending
    ItemIndex over;

    qsizetype underShown() const { return under.size() - hidden.size(); }
};

/// Builds an ItemIndex over a text, one row at a time.
class ItemIndexBuilder
{
public:
    /// `expectedRows` sizes the name table; more rows still fit.
    ItemIndexBuilder(QString text, qsizetype expectedRows);

    /// Appends a row unless one has a name equal to this one ignoring letter case. The places
    /// lie in the text; an empty place reads as an empty text. Returns whether it appended.
    bool appendUnlessNamed(TextPlace name, quint32 nameHash, TextPlace levelChars,
                           TextPlace classLine, TextPlace ratingsLine);
    /// The hash appendUnlessNamed takes: names equal ignoring letter case hash alike.
    static quint32 nameHash(QStringView name);
    /// Appends a row of finished texts, whatever its name.
    void appendGiven(TextPlace name, TextPlace level, TextPlace classHeader, TextPlace ratings);

    ItemIndex take();

private:
    void growSlotsIfFull();
    void addToSlots(qsizetype row);

    QExplicitlySharedDataPointer<ItemIndex::Data> d;
};
