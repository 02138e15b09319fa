#pragma once

// What the window says to a screen reader when a command is done: one sentence per command,
// in the program's own words. Counts of items read as the count label reads them
// ("N предметов", whatever N is); counts of lines take the Russian form that fits the number.

#include <QString>
#include <QStringView>

/// `one` for 1, 21, 31, ... (not 11); `few` for 2-4, 22-24, ... (not 12-14); `many` for the
/// rest, 0 and 5-20 among them.
QStringView russianPlural(qsizetype count, QStringView one, QStringView few, QStringView many);

/// "1 строка", "3 строки", "12 строк".
QString lineCountText(qsizetype count);

/// After a command that changed the list: "Список пуст" or "Предметов в списке: N".
QString listCountSpoken(qsizetype count);
/// After a search over the whole base, whose finds became the list: "Ничего не найдено" or
/// "Найдено: N предметов".
QString foundSpoken(qsizetype count);
/// What "Отменить" or "Вернуть" did: "Отменено: очистка, 3 предметов → 0 предметов", `done`
/// being "Отменено" or "Возвращено" and `command` the history's name of the command.
QString historyMoveSpoken(QStringView done, const QString &command, qsizetype countBefore,
                          qsizetype countAfter);
/// A packet of `lines` commands on the clipboard: "Пакет в буфере обмена: 12 строк".
QString packetSpoken(qsizetype lines);
/// Entries copied to the clipboard: "Скопировано в буфер обмена: 3 строки"; "Нечего
/// копировать" when nothing was.
QString copiedSpoken(qsizetype lines);
/// The list written to a list file: "Список сохранён в файл list.txt", the file's name
/// without its folder.
QString listSavedSpoken(const QString &path);
/// The staff base taken up: "База стафа загружена: N предметов"; after a change of its file
/// on disk "База стафа перечитана: N предметов".
QString baseLoadedSpoken(qsizetype items, bool reloaded);
