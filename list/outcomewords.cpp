#include "list/outcomewords.h"

#include "list/parser.h"

#include <QFileInfo>

using namespace Qt::StringLiterals;

QStringView russianPlural(qsizetype count, QStringView one, QStringView few, QStringView many)
{
    const qsizetype lastTwo = (count < 0 ? -count : count) % 100;
    const qsizetype last = lastTwo % 10;
    if (lastTwo >= 11 && lastTwo <= 14)
        return many;
    if (last == 1)
        return one;
    if (last >= 2 && last <= 4)
        return few;
    return many;
}

QString lineCountText(qsizetype count)
{
    return QString::number(count) + u' '
        + russianPlural(count, u"строка", u"строки", u"строк").toString();
}

QString listCountSpoken(qsizetype count)
{
    return count == 0 ? u"Список пуст"_s : u"Предметов в списке: "_s + QString::number(count);
}

QString foundSpoken(qsizetype count)
{
    return count == 0 ? u"Ничего не найдено"_s : u"Найдено: "_s + countText(count);
}

QString historyMoveSpoken(QStringView done, const QString &command, qsizetype countBefore,
                          qsizetype countAfter)
{
    return u"%1: %2, %3 → %4"_s.arg(done, command, countText(countBefore), countText(countAfter));
}

QString packetSpoken(qsizetype lines)
{
    return u"Пакет в буфере обмена: "_s + lineCountText(lines);
}

QString copiedSpoken(qsizetype lines)
{
    return lines == 0 ? u"Нечего копировать"_s
                      : u"Скопировано в буфер обмена: "_s + lineCountText(lines);
}

QString baseLoadedSpoken(qsizetype items, bool reloaded)
{
    return (reloaded ? u"База стафа перечитана: "_s : u"База стафа загружена: "_s)
        + countText(items);
}

QString listSavedSpoken(const QString &path)
{
    return u"Список сохранён в файл "_s + QFileInfo(path).fileName();
}
