// Qt's own texts in the program's language: the buttons of a message box and the labels of
// Qt's file dialog come from Qt's Russian translation, which the program installs at start.
#include "app/programentry.h"

#include <QApplication>
#include <QFileDialog>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

QString withoutMnemonic(QString text)
{
    return text.remove(u'&');
}

} // namespace

class TestWindowQtWords : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { QVERIFY(installQtRussianTranslation()); }

    void messageBoxButtons_data()
    {
        QTest::addColumn<int>("button");
        QTest::addColumn<QString>("text");
        QTest::newRow("Yes") << int(QMessageBox::Yes) << u"Да"_s;
        QTest::newRow("No") << int(QMessageBox::No) << u"Нет"_s;
        QTest::newRow("Cancel") << int(QMessageBox::Cancel) << u"Отмена"_s;
        QTest::newRow("Close") << int(QMessageBox::Close) << u"Закрыть"_s;
    }
    void messageBoxButtons()
    {
        QFETCH(int, button);
        QFETCH(QString, text);
        QMessageBox box(QMessageBox::Question, u"Tarnbook"_s, u"?"_s,
                        QMessageBox::StandardButton(button));
        QCOMPARE(withoutMnemonic(box.button(QMessageBox::StandardButton(button))->text()), text);
    }

    void fileDialogLabels_data()
    {
        QTest::addColumn<QString>("label");
        QTest::addColumn<QString>("text");
        QTest::newRow("look in") << u"lookInLabel"_s << u"Перейти к:"_s;
        QTest::newRow("file name") << u"fileNameLabel"_s << u"Имя файла:"_s;
        QTest::newRow("file type") << u"fileTypeLabel"_s << u"Типы файлов:"_s;
    }
    void fileDialogLabels()
    {
        QFETCH(QString, label);
        QFETCH(QString, text);
        // Qt's own dialog, as on Linux: a native Windows dialog takes the words of Windows.
        QFileDialog dialog(nullptr, u"Выбрать базу"_s);
        dialog.setOption(QFileDialog::DontUseNativeDialog);
        const auto *found = dialog.findChild<QLabel *>(label);
        QVERIFY(found);
        QCOMPARE(withoutMnemonic(found->text()), text);
    }
};

QTEST_MAIN(TestWindowQtWords)
#include "tst_window_qtwords.moc"
