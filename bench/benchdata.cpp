#include "benchdata.h"

#include "text/textfile.h"

#include <QDir>
#include <QFileInfo>

#include <map>
#include <memory>

using namespace Qt::StringLiterals;

namespace bench {
namespace {

QString &basesDirRef()
{
    static QString dir;
    return dir;
}

/// Tails and tags the game writes around item names.
const QStringList conditionTails = {u" [отл]"_s, u" [хор]"_s, u" [ср]"_s, u" [плох]"_s};
const QStringList wearTags = {u"<на голове>"_s,     u"<на шее>"_s,       u"<на теле>"_s,
                              u"<на плечах>"_s,     u"<вокруг талии>"_s, u"<на ногах>"_s,
                              u"<в правой руке>"_s, u"<в левой руке>"_s};

} // namespace

void setBasesDir(const QString &dir)
{
    basesDirRef() = dir;
}

QString basesDir()
{
    return basesDirRef();
}

QString basePath(int items)
{
    return QDir(basesDir()).filePath(u"staff-%1.hjt"_s.arg(items));
}

QString utf8BasePath(int items)
{
    return QDir(basesDir()).filePath(u"staff-%1.utf8.txt"_s.arg(items));
}

QList<int> availableSizes(const QList<int> &wanted)
{
    QList<int> sizes;
    for (int items : wanted) {
        if (QFileInfo::exists(basePath(items)))
            sizes.append(items);
    }
    return sizes;
}

const QByteArray &baseBytes(int items)
{
    static std::map<int, QByteArray> cache;
    auto it = cache.find(items);
    if (it == cache.end())
        it = cache.emplace(items, readFileBytes(basePath(items))).first;
    return it->second;
}

const StaffBaseLoad &loadedBase(int items)
{
    // Only one base stays loaded: the 100,000-item one alone holds a few hundred megabytes.
    static int loadedItems = -1;
    static std::unique_ptr<StaffBaseLoad> load;
    if (loadedItems != items) {
        load.reset();
        load = std::make_unique<StaffBaseLoad>(LoadStaffBase(basePath(items)));
        loadedItems = items;
    }
    return *load;
}

QStringList spreadNames(const ItemIndex &index, int count, int offset)
{
    QStringList names;
    if (index.isEmpty())
        return names;
    names.reserve(count);
    const qsizetype n = index.size();
    for (int k = 0; k < count; ++k) {
        // Every item once before any repeats, in an order that jumps across the base.
        const qsizetype i = (qsizetype(k + offset) * 7919) % n;
        names.append(index.name(i).toString());
    }
    return names;
}

QStringList listEntries(const ItemIndex &index, int count, int offset)
{
    QStringList entries = spreadNames(index, count, offset);
    for (qsizetype k = 0; k < entries.size(); ++k) {
        if (k % 5 == 1)
            entries[k] += conditionTails.at(k % conditionTails.size());
        else if (k % 5 == 3)
            entries[k] = QString::number(100 + k) + u". "_s + entries[k];
    }
    return entries;
}

QStringList pastedLines(const ItemIndex &index, int count, int offset)
{
    const QStringList names = spreadNames(index, count, offset);
    QStringList lines;
    lines.reserve(count);
    // Four listings one after the other; the equipment comes last, as its tags change how
    // the parser reads the lines after them.
    for (qsizetype k = 0; k < names.size(); ++k) {
        const QString &name = names[k];
        switch (k * 4 / names.size()) {
        case 0: // exchange
            lines.append(QString::number(k + 1) + u". (5 д.) "_s + name + u" [3]"_s);
            break;
        case 1: // inventory, with a glow marker now and then
            lines.append(k % 8 == 1 ? name + u" ...светится"_s : name);
            break;
        case 2: // storage
            lines.append(u"Склад:  "_s + name);
            break;
        default: // equipment
            lines.append(wearTags.at(k % wearTags.size()) + u"             "_s + name
                         + conditionTails.at(k % conditionTails.size()));
        }
    }
    return lines;
}

QString oneLinePaste(qsizetype utf8Bytes)
{
    const QString words = u"посох бури "_s; // 20 bytes in UTF-8
    const qsizetype bytesPerRepeat = words.toUtf8().size();
    return words.repeated(utf8Bytes / bytesPerRepeat);
}

} // namespace bench
